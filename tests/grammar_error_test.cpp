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

// A second error within three tokens of the first discards its token and
// retries in the same state: after an accepted label anachronism the
// function stays whole, and a later real error is still reported.
TEST(GrammarErrors, RecoveryRetriesInTheSameState)
{
    const std::string label = "Corvel tarsk1 - WARNING: syntax anachronism accepted:\n  <goto-label> :";
    struct Case {
        const char *source;
        std::string err;
        const char *result;
        std::vector<std::string> kept;  // outline lines the tree must hold, in order
    } cases[] = {
        {"void f(void) { lab: ] x = 1; }\nvoid g(void) { y = 2; }\n",
         label + "][@DIR@R.C,1]\n",
         "result 0",
         {"  FUNCTION_DEFINITION \"f\"", "      LABEL \"lab\"", "  FUNCTION_DEFINITION \"g\""}},
        {"void f(void) { lab: ] a; b; c; x = ; }\n",
         label + "][@DIR@R.C,1]\nCorvel tarsk1 - ERROR: syntax error near ; [@DIR@R.C,1]\n",
         "result 1",
         {}},
        {"void f(void) { lab: ) int a; int b; }\n",
         label + ")[@DIR@R.C,1]\n",
         "result 0",
         {"  FUNCTION_DEFINITION \"f\"", "      LABEL \"lab\"", "      INIT_DECLARATOR \"b\""}},
    };
    testutil::TempDir dir;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.source);
        testutil::writeFile(dir.file("r.c"), c.source);
        testutil::ProcessResult r = grammar::dump(dir.file("r.c"));
        EXPECT_EQ(r.err, grammar::expand(c.err, dir.path()));
        EXPECT_NE(r.out.find(std::string(c.result) + "\n"), std::string::npos);
        std::size_t at = 0;
        for (const std::string &line : c.kept) {
            at = r.out.find(line, at);
            EXPECT_NE(at, std::string::npos) << line;
        }
    }
}

TEST(GrammarErrors, ParameterHidesTypedefInsideBody)
{
    testutil::TempDir dir;
    testutil::writeFile(dir.file("hide.c"), "typedef int T;\nvoid f(T T) {\n  T x;\n}\n");
    testutil::ProcessResult r = grammar::dump(dir.file("hide.c"));
    EXPECT_EQ(r.err, grammar::expand("Corvel tarsk1 - ERROR: syntax error near x [@DIR@HIDE.C,3]\n", dir.path()));
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
    testutil::writeFile(dir.file("deep.c"),
                        "int x = " + std::string(depth, '(') + "1" + std::string(depth, ')') + ";\n");
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
