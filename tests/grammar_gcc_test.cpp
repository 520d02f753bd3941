// Real C through the GCC target: gcc -E output of every example program on
// the machine that gcc itself preprocesses, and of a file that includes the
// common C headers, must parse with no syntax error and no message.
#include "grammar_fixture.h"

#include <glob.h>

#include <sstream>

namespace {

const std::string definitionFile = TARSK1_SOURCE_ROOT "/targets/gcc-glibc/ana/mvct.def";

std::vector<std::string> words(const std::string &text)
{
    std::istringstream in(text);
    std::vector<std::string> out;
    for (std::string w; in >> w;) out.push_back(w);
    return out;
}

// Include folders the example packages need beyond the default search path,
// and the macros that nettle's examples take from its build tree's config.h.
std::vector<std::string> packageFlags()
{
    std::vector<std::string> flags = {"-I/usr/include/nettle", "-DPRINTF_STYLE(f,a)=", "-DUNUSED=", "-DNORETURN="};
    testutil::ProcessResult r = testutil::runProcess("/usr/bin/pkg-config", {"--cflags", "xmlsec1"});
    if (r.exitCode == 0)
        for (const std::string &w : words(r.out)) flags.push_back(w);
    return flags;
}

// Preprocesses source into target; false when gcc cannot, or when gcc itself
// rejects the result (a macro of a missing build-tree header left in place).
bool preprocess(const std::string &source, const std::string &target, const std::vector<std::string> &flags)
{
    std::vector<std::string> args = {"-E"};
    args.insert(args.end(), flags.begin(), flags.end());
    args.insert(args.end(), {source, "-o", target});
    if (testutil::runProcess("/usr/bin/gcc", args).exitCode != 0) return false;
    return testutil::runProcess("/usr/bin/gcc", {"-fsyntax-only", "-w", "-x", "c", target}).exitCode == 0;
}

// Empty when the file parsed cleanly, otherwise what went wrong.
std::string parseProblems(const std::string &file, const std::string &source)
{
    testutil::ProcessResult r = grammar::dump(file, definitionFile, true);
    if (r.exitCode == 0 && r.out == "result 0\n" && r.err.empty()) return "";
    return source + ": exit " + std::to_string(r.exitCode) + "\n" + r.out + r.err.substr(0, 2000);
}

TEST(GrammarGcc, ExampleProgramsParseCleanly)
{
    glob_t g;
    ASSERT_EQ(::glob("/usr/share/doc/*/examples/*.c", 0, nullptr, &g), 0);
    std::vector<std::string> sources(g.gl_pathv, g.gl_pathv + g.gl_pathc);
    ::globfree(&g);
    std::vector<std::string> flags = packageFlags();
    testutil::TempDir dir;
    int parsed = 0;
    std::string problems;
    for (const std::string &source : sources) {
        std::string target = dir.file("example.i");
        if (!preprocess(source, target, flags)) continue;
        ++parsed;
        problems += parseProblems(target, source);
    }
    EXPECT_EQ(problems, "");
    EXPECT_GT(parsed, 0);
}

TEST(GrammarGcc, CommonHeadersParseCleanly)
{
    testutil::TempDir dir;
    std::string source;
    for (const char *h :
         {"stdio.h", "stdlib.h", "string.h", "stdint.h", "math.h", "pthread.h", "signal.h", "sys/stat.h", "unistd.h",
          "time.h", "errno.h", "ctype.h", "stdarg.h", "stdbool.h", "setjmp.h", "locale.h", "wchar.h"})
        source += std::string("#include <") + h + ">\n";
    source += "int main(void) { printf(\"%d\\n\", (int)strlen(\"x\")); return 0; }\n";
    testutil::writeFile(dir.file("headers.c"), source);
    ASSERT_TRUE(preprocess(dir.file("headers.c"), dir.file("headers.i"), {}));
    EXPECT_EQ(parseProblems(dir.file("headers.i"), "headers.c"), "");
}

// Bundles of tests/data/grammar/c_headers.txt: include names, one a line,
// an empty line ending each bundle.
std::vector<std::vector<std::string>> headerBundles()
{
    std::istringstream in(testutil::readFile(TARSK1_TEST_DATA "/grammar/c_headers.txt"));
    std::vector<std::vector<std::string>> out(1);
    for (std::string line; std::getline(in, line);) {
        if (line.empty()) out.emplace_back();
        else out.back().push_back(line);
    }
    return out;
}

std::string includeLines(const std::vector<std::string> &headers)
{
    std::string source;
    for (const std::string &h : headers) source += "#include <" + h + ">\n";
    return source;
}

// Every C header that gcc accepts on its own (the list is made by
// tests/tools/c_headers.py on a machine with the project's packages, in
// bundles gcc accepts as one file), the intrinsics, atomics, type-generic,
// complex and thread headers among them. A machine may lack some of the
// listed headers: a bundle gcc cannot take is tried header by header, and
// the headers gcc cannot take alone are left out; those that come with gcc
// and the C library never are.
TEST(GrammarGcc, EveryAcceptedCHeaderParsesCleanly)
{
    testutil::TempDir dir;
    std::string problems;
    int parsed = 0;
    auto parseHeaders = [&](const std::vector<std::string> &headers) {
        testutil::writeFile(dir.file("bundle.c"), includeLines(headers));
        if (testutil::runProcess("/usr/bin/gcc", {"-E", dir.file("bundle.c"), "-o", dir.file("bundle.i")}).exitCode !=
            0)
            return false;
        parsed += static_cast<int>(headers.size());
        problems += parseProblems(dir.file("bundle.i"), "bundle starting with " + headers.front());
        return true;
    };
    for (const std::vector<std::string> &bundle : headerBundles()) {
        if (parseHeaders(bundle)) continue;
        for (const std::string &header : bundle) parseHeaders({header});
    }
    EXPECT_EQ(problems, "");
    EXPECT_GT(parsed, 1000);
    for (const char *named : {"immintrin.h", "x86intrin.h", "stdatomic.h", "tgmath.h", "complex.h", "threads.h"})
        EXPECT_TRUE(parseHeaders({named})) << named;
    EXPECT_EQ(problems, "");
}

}  // namespace
