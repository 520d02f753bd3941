// Golden comparisons of the token dump: each case tests/data/scanner/NAME.c
// (with NAME.args, options of the dump, and NAME.def, a definition file
// scanned first, when present) must print NAME.out on standard output and
// NAME.err (empty when absent) on standard error, and exit with 0. The
// directory entry of the data folder is shown as <D>.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <sstream>

#include "testutil.h"

namespace {

const std::string dataDir = std::string(TARSK1_TEST_DATA) + "/scanner";

// The directory entry the scanner makes of a host folder: upper case,
// backslashes, a trailing backslash.
std::string programDirectory(const std::string &hostDir)
{
    std::string dir = hostDir + "/";
    for (char &c : dir) c = c == '/' ? '\\' : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return dir;
}

std::string replaceAll(std::string text, const std::string &from, const std::string &to)
{
    for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
        text.replace(at, from.size(), to);
    return text;
}

// A dump that ends through a fatal error leaves its memory to the system, so
// a sanitized build must not count that as a leak.
testutil::ProcessResult runDump(const std::vector<std::string> &args, bool endsFatally = false)
{
    std::vector<std::string> env = {"LANG=C.UTF-8", "LC_ALL=C.UTF-8"};
    if (endsFatally) env.push_back("ASAN_OPTIONS=detect_leaks=0");
    return testutil::runProcess(TOKENDUMP, args, env);
}

std::vector<std::string> caseArguments(const std::string &name)
{
    std::vector<std::string> args;
    std::istringstream options(testutil::readFile(dataDir + "/" + name + ".args"));
    for (std::string word; options >> word;) args.push_back(word);
    if (testutil::exists(dataDir + "/" + name + ".def")) args.push_back(dataDir + "/" + name + ".def");
    args.push_back(dataDir + "/" + name + ".c");
    return args;
}

class GoldenDump : public ::testing::TestWithParam<const char *> {};

TEST_P(GoldenDump, MatchesExpectedTokensAndMessages)
{
    const std::string name = GetParam();
    testutil::ProcessResult r = runDump(caseArguments(name));
    const std::string dir = programDirectory(dataDir);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(replaceAll(r.out, dir, "<D>"), testutil::readFile(dataDir + "/" + name + ".out"));
    EXPECT_EQ(replaceAll(r.err, dir, "<D>"), testutil::readFile(dataDir + "/" + name + ".err"));
}

INSTANTIATE_TEST_SUITE_P(Scanner, GoldenDump,
                         ::testing::Values("constants", "punctuators", "positions", "openquote", "other_chars", "bom",
                                           "meanings", "extensions", "sequences", "eof_comment", "eof_asm",
                                           "eof_reduce", "eof_malformed", "eof_sequence", "eof_extension", "eof_quote",
                                           "markers", "skipped_markers", "keyword_meanings", "pragmas", "eof_directive",
                                           "cut_back"),
                         [](const ::testing::TestParamInfo<const char *> &info) { return std::string(info.param); });

int countLines(const std::string &text, const std::string &prefix)
{
    int count = 0;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
        if (line.compare(0, prefix.size(), prefix) == 0) ++count;
    return count;
}

TEST(ScannerInput, EveryHighByteIsOtherInput)
{
    testutil::TempDir tmp;
    std::string text;
    for (int b = 0x80; b <= 0xFF; ++b) {
        text.push_back(static_cast<char>(b));
        text.push_back(' ');
    }
    text += "z\n";
    testutil::writeFile(tmp.file("high.c"), text);
    testutil::ProcessResult r = runDump({tmp.file("high.c")});
    EXPECT_EQ(r.exitCode, 0);
    // A hundred are shown; the other 28 are told as left out.
    EXPECT_EQ(countLines(r.err, "Corvel tarsk1 - WARNING: Lexical input ignored : "), 100) << r.err;
    EXPECT_EQ(countLines(r.err, "Corvel tarsk1 - WARNING: 28 more warnings of the kind "), 1) << r.err;
    const std::string dir = programDirectory(tmp.path());
    EXPECT_EQ(replaceAll(r.out, dir, "<D>"), "== source\n289 IDENTIFIER 1/1:257 HIGH.C <D> [z] 0 end 1/1:257\n");
}

// Nested scanning and skipping across many refills of the input buffer: the
// outer call must continue correctly after its buffer moved.
TEST(ScannerInput, LongNestedScansCrossBufferRefills)
{
    testutil::TempDir tmp;
    std::string text = "X";
    for (int i = 0; i < 40000; ++i) text += " a\n";
    text += "; R(";
    for (int i = 0; i < 40000; ++i) text += "(x)\n";
    text += ") __extension__ (";
    for (int i = 0; i < 40000; ++i) text += "'(' \")\"\n";
    text += ") w\n";
    testutil::writeFile(tmp.file("long.c"), text);
    testutil::ProcessResult r =
        runDump({"--to=X:331", "--flags=R:1000", "--flags=__extension__:10100", tmp.file("long.c")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const std::string dir = programDirectory(tmp.path());
    EXPECT_EQ(replaceAll(r.out, dir, "<D>"),
              "== source\n"
              "331 SEMICOLON 40001/40001:1 LONG.C <D> [a] 0\n"
              "289 IDENTIFIER 40001/40001:3 LONG.C <D> [R] 0 end 80001/80001:1\n"
              "289 IDENTIFIER 80001/80001:3 LONG.C <D> [__extension__] 0 end 120001/120001:1\n"
              "289 IDENTIFIER 120001/120001:3 LONG.C <D> [w] 0 end 120001/120001:3\n");
}

TEST(ScannerInput, PercentColonAtALineStartOpensADirectiveLine)
{
    testutil::TempDir tmp;
    testutil::writeFile(tmp.file("digraph.c"), "a\n  %:pragma once\nb\n");
    testutil::ProcessResult r = runDump({tmp.file("digraph.c")}, true);
    EXPECT_EQ(r.exitCode, 7);
    EXPECT_EQ(r.err.rfind("Corvel tarsk1 - FATAL ERROR: Cannot find '#' in   %:pragma once", 0), 0u) << r.err;
}

// The line of the first line of a file that starts with the given text.
int lineStartingWith(const std::string &path, const std::string &start)
{
    std::istringstream lines(testutil::readFile(path));
    int number = 0;
    for (std::string line; std::getline(lines, line);) {
        ++number;
        if (line.compare(0, start.size(), start) == 0) return number;
    }
    return 0;
}

TEST(ScannerInput, PreprocessedSystemHeadersScanToTheEnd)
{
    testutil::TempDir tmp;
    testutil::writeFile(tmp.file("sys.c"),
                        "#include <stdio.h>\n#include <stdlib.h>\n#include <string.h>\n"
                        "int main(void) { printf(\"%s\\n\", strchr(\"ab\", 'b')); return EXIT_SUCCESS; }\n");
    ASSERT_EQ(std::system(("gcc -E " + tmp.file("sys.c") + " -o " + tmp.file("sys.i")).c_str()), 0);
    const int printfLine = lineStartingWith("/usr/include/stdio.h", "extern int printf (");
    ASSERT_GT(printfLine, 0);
    const std::string printfToken = "289 IDENTIFIER " + std::to_string(printfLine) + "/";

    for (bool withDefinitions : {false, true}) {
        std::vector<std::string> args;
        if (withDefinitions) args.push_back(std::string(TARSK1_SOURCE_ROOT) + "/targets/gcc-glibc/ana/mvct.def");
        args.push_back(tmp.file("sys.i"));
        testutil::ProcessResult r = runDump(args);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.err, "");
        EXPECT_GT(countLines(r.out, "289 IDENTIFIER "), 1000);
        EXPECT_NE(r.out.find(printfToken), std::string::npos) << "printf not on line " << printfLine;
        // The last token is the closing brace of main, on line 4 of the source.
        std::size_t last = r.out.rfind("\n", r.out.size() - 2);
        const std::string closing = "339 RBRACE 4/";
        EXPECT_EQ(r.out.compare(last + 1, closing.size(), closing), 0) << r.out.substr(last + 1);
    }
}

}  // namespace
