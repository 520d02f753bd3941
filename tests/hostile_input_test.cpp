// Hostile source text through the real binary: binary junk, 50 MB lines,
// very deep nesting, unterminated comments and strings, runs of group
// openers. Each run must end with its documented outcome within bounded time
// and memory, and a failed run must leave no metrics file behind.
#include "hostile_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <random>
#include <string>

using hostile::expectBounded;
using hostile::Outcome;
using testutil::TempDir;

namespace {

const char *const kSyntaxFatal =
    "Corvel tarsk1 - FATAL ERROR: Syntax errors in source file, static analysis cancelled\n";

// The directory entry the program makes of a host folder: upper case,
// backslashes, a trailing backslash.
std::string programDirectory(const std::string &folder)
{
    std::string d = folder + "/";
    std::replace(d.begin(), d.end(), '/', '\\');
    std::transform(d.begin(), d.end(), d.begin(), [](unsigned char c) { return std::toupper(c); });
    return d;
}

std::string functionBlock(const std::string &name, int line, int vg, int statements, int nested)
{
    return "<FUNCTION Name=\"" + name + "\" Line=\"" + std::to_string(line) +
           "\" >\n<METRICS>\n"
           "<METRIC Key=\"VG\" Value=\"" +
           std::to_string(vg) +
           "\"/>\n"
           "<METRIC Key=\"Statements\" Value=\"" +
           std::to_string(statements) +
           "\"/>\n"
           "<METRIC Key=\"NestedLevel\" Value=\"" +
           std::to_string(nested) +
           "\"/>\n"
           "</METRICS>\n</FUNCTION>\n";
}

std::string repeat(const std::string &piece, size_t n)
{
    std::string s;
    s.reserve(piece.size() * n);
    for (size_t i = 0; i < n; ++i) s += piece;
    return s;
}

std::string randomBytes(size_t n, unsigned seed)
{
    std::mt19937 gen(seed);
    std::string s(n, '\0');
    for (char &c : s) c = static_cast<char>(gen() & 0xff);
    for (size_t i = 0; i < n; i += 97) s[i] = '\0';  // plenty of NULs
    return s;
}

// Runs tarsk1 on one file written into a fresh folder, metrics into "out".
struct OneFile {
    TempDir dir;
    std::string out;
    OneFile() : out(dir.file("out")) { ::mkdir(out.c_str(), 0755); }
    Outcome run(const std::string &name, const std::string &text, const std::string &target = "minimal",
                const hostile::Limits &limits = {})
    {
        testutil::writeFile(dir.file(name), text);
        return hostile::tarsk1({name, "-METRICS=" + out}, dir.path(), target, {}, limits);
    }
    std::string met(const std::string &name) const { return testutil::readFile(out + "/" + name); }
};

TEST(HostileText, BinaryJunkIsASyntaxError)
{
    OneFile f;
    Outcome r = f.run("junk.c", randomBytes(1 << 20, 7));
    EXPECT_EQ(r.exitCode, 7);
    EXPECT_TRUE(hostile::endsWith(r.err, kSyntaxFatal)) << r.err.substr(0, 500);
    EXPECT_TRUE(hostile::metricsLeftovers(f.out).empty());
    expectBounded(r, 20, 500);
}

// The Halstead pass reads the named source from disk whatever it holds; one
// line per line feed, the unterminated last line included.
TEST(HostileText, BinaryJunkAsTheMeasuredSource)
{
    OneFile f;
    const std::string junk = randomBytes(1 << 20, 11);
    testutil::writeFile(f.dir.file("junk.c"), junk);
    Outcome r = f.run("a.i", "# 1 \"" + f.dir.file("junk.c") + "\"\nint f(void) { return 0; }\n");
    EXPECT_EQ(r.exitCode, 0) << r.err.substr(0, 500);
    const std::string met = f.met("JUNK.C.met");
    EXPECT_NE(met.find(functionBlock("f", 1, 1, 1, 1)), std::string::npos);
    const long lines = std::count(junk.begin(), junk.end(), '\n') + (junk.back() != '\n');
    EXPECT_NE(met.find("<METRIC Key=\"Total\" Value=\"" + std::to_string(lines) + "\"/>\n"), std::string::npos);
    expectBounded(r, 20, 500);
}

// A warning per byte: every one is counted, a hundred are shown.
TEST(HostileText, TenMegabytesOfNulBytes)
{
    OneFile f;
    Outcome r = f.run("nul.c", "int f(void) { return 0; }\n" + std::string(10u << 20, '\0') + "\n");
    EXPECT_EQ(r.exitCode, 0) << r.err.substr(0, 300);
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 101);
    EXPECT_TRUE(hostile::endsWith(r.err, "Corvel tarsk1 - WARNING: " + std::to_string((10 << 20) - 100) +
                                             " more warnings of the kind \"Lexical input ignored : ... at ...\" in "
                                             "nul.c were not shown\n"))
        << r.err.substr(r.err.size() - 300);
    EXPECT_NE(f.met("NUL.C.met").find(functionBlock("f", 1, 1, 1, 1)), std::string::npos);
    expectBounded(r, 20, 300);
}

// Tables the pragmas fill, tens of thousands of entries long, with as many
// lookups: each lookup must not walk the table.
TEST(HostileText, LongPragmaTablesAreIndexed)
{
    const int directories = 50000, replacements = 30000;
    std::string text;
    for (int i = 0; i < directories; ++i) text += "#pragma mevra incl_std = /std/d" + std::to_string(i) + "\n";
    for (int i = 0; i < directories; ++i) text += "int f" + std::to_string(i) + "(void) { return 0; }\n";
    for (int i = 0; i < replacements; ++i)
        text += "#pragma mevra pragma \"p" + std::to_string(i) + "\" = \"#pragma mevra nothingbefore\"\n";
    for (int i = 0; i < replacements; ++i) text += "#pragma P" + std::to_string(i) + "\n";
    OneFile f;
    Outcome r = f.run("tables.c", text);
    EXPECT_EQ(r.exitCode, 0) << r.err.substr(0, 300);
    EXPECT_EQ(r.err, "");
    const std::string met = f.met("TABLES.C.met");
    EXPECT_NE(met.find(functionBlock("f49999", 2 * directories, 1, 1, 1)), std::string::npos);
    expectBounded(r, 8, 300);
}

// A large input of many headers: each definition is measured and freed as
// it is parsed, so the memory follows the metrics kept, not the syntax tree.
TEST(HostileText, ManyHeadersOfManyFunctions)
{
    OneFile f;
    std::string text;
    for (int h = 0; h < 500; ++h) {
        const std::string header = f.dir.file("h" + std::to_string(h) + ".h");
        std::string body;
        for (int i = 0; i < 200; ++i)
            body += "int f" + std::to_string(h) + "_" + std::to_string(i) + "(int a) { if (a > " + std::to_string(i) +
                    ") return a; return 0; }\n";
        testutil::writeFile(header, body);
        text += "# 1 \"" + header + "\"\n" + body;
    }
    Outcome r = f.run("many.i", text);
    EXPECT_EQ(r.exitCode, 0) << r.err.substr(0, 300);
    EXPECT_EQ(hostile::metricsLeftovers(f.out).size(), 500u);
    EXPECT_NE(f.met("H499.H.met").find(functionBlock("f499_199", 200, 2, 3, 2)), std::string::npos);
    expectBounded(r, 20, 110);
}

// One 50 MB line, as a comment, as a single token and as a directive: every
// scanner must stay linear in the line's length.
TEST(HostileText, FiftyMegabyteLines)
{
    const std::string fifty(50u << 20, 'x');
    {
        OneFile f;
        Outcome r = f.run("comment.c", "int f(void) { return 1; } /*" + fifty + "*/ int g(void) { return 2; }\n");
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.err, "");
        const std::string met = f.met("COMMENT.C.met");
        EXPECT_NE(met.find(functionBlock("f", 1, 1, 1, 1)), std::string::npos) << met;
        EXPECT_NE(met.find(functionBlock("g", 1, 1, 1, 1)), std::string::npos);
        EXPECT_NE(met.find("<METRIC Key=\"Total\" Value=\"1\"/>\n"), std::string::npos);
        expectBounded(r, 30, 1000);
    }
    {
        OneFile f;
        Outcome r = f.run("string.c", "char *s(void) { return \"" + fifty + "\"; }\n");
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_NE(f.met("STRING.C.met").find(functionBlock("s", 1, 1, 1, 1)), std::string::npos);
        expectBounded(r, 30, 1000);
    }
    {
        OneFile f;
        Outcome r = f.run("pragma.c", "#pragma " + fifty + "\nint f(void) { return 1; }\n");
        EXPECT_EQ(r.exitCode, 0) << r.err.substr(0, 300);
        EXPECT_EQ(r.err, "");
        EXPECT_NE(f.met("PRAGMA.C.met").find(functionBlock("f", 2, 1, 1, 1)), std::string::npos);
        expectBounded(r, 30, 1000);
    }
    {
        OneFile f;
        Outcome r = f.run("name.c", "int f(void) { int " + fifty + " = 0; return 1; }\n");
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_NE(f.met("NAME.C.met").find(functionBlock("f", 1, 1, 1, 1)), std::string::npos);
        expectBounded(r, 30, 1000);
    }
}

// Two million nested parentheses, 100,000 nested subscripts, 200,000 nested
// blocks and a 100,000-long else-if chain: the tree walks must not recurse.
TEST(HostileText, DeepNestingEndsNormally)
{
    const size_t parens = 2000000, brackets = 100000, blocks = 200000, chain = 100000;
    std::string text = "int a[1];\n";
    text += "int f(void) { return " + std::string(parens, '(') + "1" + std::string(parens, ')') + "; }\n";
    text += "int b(void) { return " + repeat("a[", brackets) + "0" + std::string(brackets, ']') + "; }\n";
    text += "void g(void) " + std::string(blocks, '{') + "return;" + std::string(blocks, '}') + "\n";
    text += "int h(int x) {\n if (x == 0) return 0;\n";
    for (size_t i = 1; i < chain; ++i) text += " else if (x == " + std::to_string(i) + ") return 1;\n";
    text += " return -1;\n}\n";
    OneFile f;
    Outcome r = f.run("deep.c", text, "minimal", {60, 4096});
    ASSERT_EQ(r.exitCode, 0) << r.err.substr(0, 500);
    EXPECT_EQ(r.err, "");
    const std::string met = f.met("DEEP.C.met");
    EXPECT_NE(met.find(functionBlock("f", 2, 1, 1, 1)), std::string::npos);
    EXPECT_NE(met.find(functionBlock("b", 3, 1, 1, 1)), std::string::npos);
    EXPECT_NE(met.find(functionBlock("g", 4, 1, 1, 1)), std::string::npos);
    // Every "else if" nests one level deeper; each branch and the tail return.
    EXPECT_NE(met.find(functionBlock("h", 5, chain + 1, 2 * chain + 1, chain + 1)), std::string::npos);
    EXPECT_TRUE(hostile::endsWith(met, "</FILE>\n"));
    expectBounded(r, 30, 1500);
}

TEST(HostileText, UnterminatedCommentAndStringAtEndOfFile)
{
    {
        OneFile f;
        Outcome r = f.run("comment.c", "int f(void) { return 0; }\n/* never closed\n");
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.err, "Corvel tarsk1 - WARNING: End-of-file in C-style comment, started at [" +
                             programDirectory(f.dir.path()) + "COMMENT.C,2]\n");
        EXPECT_NE(f.met("COMMENT.C.met").find(functionBlock("f", 1, 1, 1, 1)), std::string::npos);
        expectBounded(r, 10, 300);
    }
    {
        OneFile f;
        Outcome r = f.run("string.c", "int f(void) { return 0; }\nchar *s = \"never closed");
        EXPECT_EQ(r.exitCode, 7);
        EXPECT_EQ(r.err, "Corvel tarsk1 - ERROR: syntax error near <end-of-file> [" + programDirectory(f.dir.path()) +
                             "STRING.C,2]\n" + kSyntaxFatal);
        EXPECT_TRUE(hostile::metricsLeftovers(f.out).empty());
        expectBounded(r, 10, 300);
    }
}

// Every __extension__ whose group opens with another one is a nested scan;
// a long run of them is refused before the C stack runs out, a short one is
// ordinary code.
TEST(HostileText, RunsOfGroupOpenersAreBounded)
{
    {
        OneFile f;
        const size_t n = 300000;
        Outcome r =
            f.run("ext.c", "int f(void) { return " + repeat("__extension__ (", n) + "1" + std::string(n, ')') + "; }\n",
                  "gcc-glibc");
        EXPECT_EQ(r.exitCode, 7);
        EXPECT_EQ(r.err, "Corvel tarsk1 - FATAL ERROR: Token groups nested too deeply at [" +
                             programDirectory(f.dir.path()) + "EXT.C,1]\n");
        EXPECT_TRUE(hostile::metricsLeftovers(f.out).empty());
        expectBounded(r, 10, 300);
    }
    {
        OneFile f;
        Outcome r =
            f.run("ext.c", "int f(void) { return " + repeat("__extension__ ", 300000) + "(1); }\n", "gcc-glibc");
        EXPECT_EQ(r.exitCode, 7);
        EXPECT_NE(r.err.find("Token groups nested too deeply"), std::string::npos);
    }
    {
        // An accepted sequence opened inside another one nests the same way.
        OneFile f;
        Outcome r = f.run("seq.c", "#pragma mevra accept \"SEQ\" to 299\nint f(void) { " + repeat("SEQ ", 300000) +
                                       "; return 0; }\n");
        EXPECT_EQ(r.exitCode, 7);
        EXPECT_EQ(r.err, "Corvel tarsk1 - FATAL ERROR: Token groups nested too deeply at [" +
                             programDirectory(f.dir.path()) + "SEQ.C,2]\n");
    }
    {
        OneFile f;
        const size_t n = 3000;
        Outcome r =
            f.run("ext.c", "int f(void) { return " + repeat("__extension__ (", n) + "1" + std::string(n, ')') + "; }\n",
                  "gcc-glibc");
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_NE(f.met("EXT.C.met").find(functionBlock("f", 1, 1, 1, 1)), std::string::npos);
    }
}

}  // namespace
