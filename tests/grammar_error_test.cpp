// Syntax errors, recovery and the accepted anachronisms: exact message
// texts, what is counted, what stays silent, and deep nesting that makes the
// parser stacks grow.
#include "grammar_fixture.h"

namespace {

using grammar::expectGolden;

// The four anachronisms give one warning each and no counted error.
TEST(GrammarErrors, AnachronismsWarnOnly) { expectGolden("anachronisms"); }

// Two reported errors; the errors that follow the first within three tokens
// are silent, and parsing goes on to the next function.
TEST(GrammarErrors, ReportedCountedAndRecovered) { expectGolden("errors"); }

TEST(GrammarErrors, UnterminatedBodyNamesEndOfFile) { expectGolden("unterminated"); }

TEST(GrammarErrors, StaticUsedInForInitWarns) { expectGolden("for_static"); }

TEST(GrammarErrors, ParameterHidesTypedefInsideBody)
{
    testutil::TempDir dir;
    testutil::writeFile(dir.file("hide.c"), "typedef int T;\nvoid f(T T) {\n  T x;\n}\n");
    testutil::ProcessResult r = grammar::dump(dir.file("hide.c"));
    EXPECT_EQ(r.err, grammar::expand("Corvel tarsk1 - ERROR: syntax error near x [@DIR@HIDE.C,3]\n",
                                     dir.path()));
    EXPECT_NE(r.out.find("result 1\n"), std::string::npos);
}

TEST(GrammarErrors, DeepNestingGrowsTheStacks)
{
    const int depth = 10000;
    std::string parens = "int x = " + std::string(depth, '(') + "1" + std::string(depth, ')') + ";\n";
    std::string blocks = "void f(void) " + std::string(depth, '{') + std::string(depth, '}') + "\n";
    testutil::TempDir dir;
    testutil::writeFile(dir.file("parens.c"), parens);
    testutil::writeFile(dir.file("blocks.c"), blocks);
    for (const char *name : {"parens.c", "blocks.c"}) {
        SCOPED_TRACE(name);
        testutil::ProcessResult r = grammar::dump(dir.file(name), "", true);
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.out, "result 0\n");
        EXPECT_EQ(r.err, "");
    }
}

// Stacks that cannot grow any more: reported with the token text and
// counted, and the parse aborts.
TEST(GrammarErrors, StackExhaustionIsReportedAndCounted)
{
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "the address sanitizer cannot run under an address-space limit";
#endif
    const int depth = 6000000;
    testutil::TempDir dir;
    testutil::writeFile(dir.file("deep.c"), "int x = " + std::string(depth, '(') + "1" + std::string(depth, ')') + ";\n");
    testutil::ProcessResult r =
        testutil::runProcess("/usr/bin/prlimit", {"--as=400000000", TREEDUMP, "-q", dir.file("deep.c")});
    EXPECT_EQ(r.out, "result 1\n");
    EXPECT_EQ(r.err, grammar::expand("Corvel tarsk1 - ERROR: yacc stack overflow ( [@DIR@DEEP.C,1]\n", dir.path()));
}

TEST(GrammarErrors, UnopenableFileIsFatal)
{
    testutil::ProcessResult r = grammar::dump("/nonexistent/dir/x.c");
    EXPECT_EQ(r.exitCode, 7);
    EXPECT_EQ(r.err, "Corvel tarsk1 - FATAL ERROR: Cannot open input file /nonexistent/dir/x.c\n");
}

}  // namespace
