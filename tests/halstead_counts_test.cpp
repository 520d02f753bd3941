// Line and Halstead counts of small texts, each worked out by hand.
#include <gtest/gtest.h>

#include <string>

#include "metrics/halstead.h"
#include "support/machine.h"
#include "testutil.h"

namespace {

HalsteadCounts scan(const std::string &text, const testutil::TempDir &dir)
{
    const std::string path = dir.file("a.c");
    testutil::writeFile(path, text);
    HalsteadCounts counts{};
    runHalsteadPass(path.c_str(), nullptr, &counts);
    return counts;
}

HalsteadCounts scan(const std::string &text)
{
    testutil::TempDir dir;
    return scan(text, dir);
}

// Readable forms, so a failure shows every counter at once.
std::string lines(const HalsteadCounts &c)
{
    return "Total " + std::to_string(c.Total) + " Src1 " + std::to_string(c.Src1) + " Src2 " + std::to_string(c.Src2) +
           " Comment1 " + std::to_string(c.Comment1) + " Empty " + std::to_string(c.Empty) + " Comment2 " +
           std::to_string(c.Comment2);
}

std::string lines(int total, int src1, int src2, int comment1, int empty, int comment2)
{
    return lines(HalsteadCounts{0, 0, 0, 0, total, src1, src2, comment1, empty, comment2});
}

std::string halstead(const HalsteadCounts &c)
{
    return "n1 " + std::to_string(c.n1) + " n2 " + std::to_string(c.n2) + " N1 " + std::to_string(c.N1) + " N2 " +
           std::to_string(c.N2);
}

std::string halstead(int n1, int n2, int N1, int N2)
{
    return halstead(HalsteadCounts{n1, n2, N1, N2, 0, 0, 0, 0, 0, 0});
}

int errorCount()
{
    int errors = 0, warnings = 0;
    messageCounts(errors, warnings);
    return errors;
}

}  // namespace

TEST(HalsteadLines, EmptyFileIsOneLineWithoutCode)
{
    HalsteadCounts c = scan("");
    EXPECT_EQ(lines(c), lines(1, 0, 0, 1, 0, 0));
    EXPECT_EQ(halstead(c), halstead(0, 0, 0, 0));
}

TEST(HalsteadLines, CommentsOnCodeAndAlone)
{
    EXPECT_EQ(lines(scan("x = 1; /* c */\n")), lines(1, 0, 1, 0, 0, 1));
    EXPECT_EQ(lines(scan("/* c */ x = 1;\n")), lines(1, 0, 1, 0, 0, 1));
    EXPECT_EQ(lines(scan("/* a\nb */\n")), lines(2, 0, 0, 2, 0, 1));
    EXPECT_EQ(lines(scan("// c\n")), lines(1, 0, 0, 1, 0, 1));
    EXPECT_EQ(lines(scan("x; // c\ny;\n")), lines(2, 1, 1, 0, 0, 1));
    // The comment ends on line 2, which holds it and code; line 3 is plain code.
    EXPECT_EQ(lines(scan("/* a\n*/ x;\ny;\n")), lines(3, 1, 1, 1, 0, 1));
}

TEST(HalsteadLines, FinalLineWithoutLineFeed)
{
    EXPECT_EQ(lines(scan("x;\n// c")), lines(2, 1, 0, 1, 0, 1));
    EXPECT_EQ(lines(scan("x; // c")), lines(1, 0, 1, 0, 0, 1));
    EXPECT_EQ(lines(scan("x;")), lines(1, 1, 0, 0, 0, 0));
    EXPECT_EQ(lines(scan("x; /* open\nmore")), lines(2, 0, 1, 1, 0, 1));
    // The reader has consumed the last line feed: no extra line.
    EXPECT_EQ(lines(scan("/* a\n")), lines(1, 0, 0, 1, 0, 1));
    EXPECT_EQ(lines(scan("x;\n")), lines(1, 1, 0, 0, 0, 0));
}

TEST(HalsteadLines, BlankLinesOutsideAndInsideComments)
{
    EXPECT_EQ(lines(scan("   \n")), lines(1, 0, 0, 0, 1, 0));
    EXPECT_EQ(lines(scan("\n\t\v\f\r\nx;\n")), lines(3, 1, 0, 0, 2, 0));
    EXPECT_EQ(lines(scan("/*\n   \n*/\n")), lines(3, 0, 0, 3, 0, 1));
    EXPECT_EQ(lines(scan("// a \\\n   \n")), lines(2, 0, 0, 2, 0, 1));
}

TEST(HalsteadLines, CommentReaderDetails)
{
    // A run of stars closes the comment; a star then another character does not.
    EXPECT_EQ(halstead(scan("/* a **/ x;\n")), halstead(1, 1, 1, 1));
    EXPECT_EQ(halstead(scan("/* a *x/ y */ z;\n")), halstead(1, 1, 1, 1));
    // A backslash before the line feed carries a line comment on.
    HalsteadCounts c = scan("a; // c \\\n still comment\nb;\n");
    EXPECT_EQ(lines(c), lines(3, 1, 1, 1, 0, 1));
    EXPECT_EQ(halstead(c), halstead(1, 2, 2, 2));
    // A NUL byte inside a comment is a character, not the end of input.
    c = scan(std::string("/* \0 */ x;\ny;\n", 14));
    EXPECT_EQ(lines(c), lines(2, 1, 1, 0, 0, 1));
    EXPECT_EQ(halstead(c), halstead(1, 2, 2, 2));
}

TEST(HalsteadLines, LiteralsAcrossLines)
{
    // The string goes on after backslash and line feed and is one operand.
    HalsteadCounts c = scan("s = \"a\\\nb\";\n// c\n");
    EXPECT_EQ(lines(c), lines(3, 2, 0, 1, 0, 1));
    EXPECT_EQ(halstead(c), halstead(2, 2, 2, 2));
    // A raw line feed breaks it: the quotes are stray characters.
    c = scan("s = \"ab\ncd\";\n");
    EXPECT_EQ(lines(c), lines(2, 2, 0, 0, 0, 0));
    EXPECT_EQ(halstead(c), halstead(2, 3, 2, 3));
}

TEST(HalsteadLines, CarriageReturns)
{
    EXPECT_EQ(lines(scan("a;\r\n\r\n// c\r\n")), lines(3, 1, 0, 1, 1, 1));
    EXPECT_EQ(halstead(scan("a;\rb;\n")), halstead(1, 2, 2, 2));
    EXPECT_EQ(lines(scan("\r\r\n")), lines(1, 0, 0, 0, 1, 0));
}

// A continued code line joins the next one; the line after is without code.
TEST(HalsteadDecisions, ContinuationEndsTheCodeLine)
{
    HalsteadCounts c = scan("x = 1 + \\\n 2;\n// c\n");
    EXPECT_EQ(lines(c), lines(3, 2, 0, 1, 0, 1));
    // The joined line yields no token.
    EXPECT_EQ(halstead(c), halstead(2, 2, 2, 2));
}

TEST(HalsteadDecisions, DirectiveStringsCloseAndEscape)
{
    EXPECT_EQ(lines(scan("#define E \"\" // c\n")), lines(1, 0, 1, 0, 0, 1));
    EXPECT_EQ(lines(scan("#define Q \"a\\\"b\" // c\n")), lines(1, 0, 1, 0, 0, 1));
    // A comment opener inside a string opens nothing.
    EXPECT_EQ(lines(scan("#define S \"/*\" x\nint y;\n")), lines(2, 2, 0, 0, 0, 0));
    EXPECT_EQ(lines(scan("#define S \"//\" /* c */\n")), lines(1, 0, 1, 0, 0, 1));
}

TEST(HalsteadDecisions, ByteOrderMarkIsSkipped)
{
    HalsteadCounts c = scan("\xEF\xBB\xBF#ifndef H\n#define H\n#endif\n");
    EXPECT_EQ(lines(c), lines(3, 3, 0, 0, 0, 0));
    EXPECT_EQ(errorCount(), 0);
    EXPECT_EQ(lines(scan("\xEF\xBB\xBF\n")), lines(1, 0, 0, 0, 1, 0));
    EXPECT_EQ(lines(scan("\xEF\xBB\xBF// c\n")), lines(1, 0, 0, 1, 0, 1));
    // Only at the start of the file.
    EXPECT_EQ(lines(scan("x;\n\xEF\xBB\xBF\n")), lines(2, 2, 0, 0, 0, 0));
}

TEST(HalsteadDecisions, NulBytesAreStrayCharacters)
{
    HalsteadCounts c = scan(std::string("a\0b;\n", 5));
    EXPECT_EQ(halstead(c), halstead(1, 2, 1, 2));
    EXPECT_EQ(lines(c), lines(1, 1, 0, 0, 0, 0));
    // Never inside a literal: the quotes become stray, the letters operands.
    EXPECT_EQ(halstead(scan(std::string("s = \"x\0y\";\n", 11))), halstead(2, 3, 2, 3));
    EXPECT_EQ(halstead(scan(std::string("c = '\0';\n", 9))), halstead(2, 1, 2, 1));
}

TEST(HalsteadDirectives, LinesAndCommentsButNoTokens)
{
    HalsteadCounts c = scan("#define X 1 // c\n");
    EXPECT_EQ(lines(c), lines(1, 0, 1, 0, 0, 1));
    EXPECT_EQ(halstead(c), halstead(0, 0, 0, 0));

    c = scan("#define M(a) \\\n  ((a) + 1)\nx;\n");
    EXPECT_EQ(lines(c), lines(3, 3, 0, 0, 0, 0));
    EXPECT_EQ(halstead(c), halstead(1, 1, 1, 1));

    // Blanks between the backslash and the line feed still continue it;
    // anything else does not.
    EXPECT_EQ(halstead(scan("#define X \\ \t\nY\nz;\n")), halstead(1, 1, 1, 1));
    EXPECT_EQ(halstead(scan("#define X \\ a\nY\n")), halstead(0, 1, 0, 1));

    // A block comment left open in a directive is read on; counted once.
    c = scan("#if A /* c\n d */\n#endif\n");
    EXPECT_EQ(lines(c), lines(3, 1, 1, 1, 0, 1));

    EXPECT_EQ(lines(scan("%:define X <%%> // c\n")), lines(1, 0, 1, 0, 0, 1));
    EXPECT_EQ(lines(scan("  \t#if A /* a */ /* b */\n#endif\n")), lines(2, 1, 1, 0, 0, 2));
    EXPECT_EQ(errorCount(), 0);
}

TEST(HalsteadDirectives, LastLineWithoutLineFeed)
{
    EXPECT_EQ(lines(scan("#define X")), lines(1, 1, 0, 0, 0, 0));
    EXPECT_EQ(lines(scan("#define X 1 // c")), lines(1, 0, 1, 0, 0, 1));
    EXPECT_EQ(lines(scan("x;\n#define X /* c")), lines(2, 1, 1, 0, 0, 1));
    // Continued into an empty last line, which holds no code.
    EXPECT_EQ(lines(scan("#define X \\\n")), lines(2, 1, 0, 1, 0, 0));
}

TEST(HalsteadDirectives, NumberSignElsewhereIsStray) { EXPECT_EQ(halstead(scan("x; # y\n")), halstead(1, 2, 1, 2)); }

TEST(HalsteadDirectives, ConditionalsBalanceWithoutErrors)
{
    scan("%:if X\n#endif\n");
    scan("#if A\n# elif B\n#else\n#endif\n#ifdef C\n#ifndef D\n#endif\n#endif\n");
    scan("#if A\n");  // left open: not reported
    EXPECT_EQ(errorCount(), 0);
}

TEST(HalsteadTokens, OperatorsAndOperands)
{
    EXPECT_EQ(halstead(scan("a = b + c;")), halstead(3, 3, 3, 3));
    EXPECT_EQ(halstead(scan("a = a + a;")), halstead(3, 1, 3, 3));
    EXPECT_EQ(halstead(scan("if (x) f(x);")), halstead(3, 2, 4, 3));
    // Keywords are case-sensitive and whole words.
    EXPECT_EQ(halstead(scan("int integer; Int x;")), halstead(2, 3, 3, 3));
    // Closing brackets and their digraphs count nothing.
    EXPECT_EQ(halstead(scan("f()[0]{}")), halstead(3, 2, 3, 2));
    EXPECT_EQ(halstead(scan("a[1] = b<:2:>;")), halstead(3, 4, 4, 4));
    EXPECT_EQ(halstead(scan("a <<= b->c ... d")), halstead(3, 4, 3, 4));
}

TEST(HalsteadTokens, OperandsKeepTheirExactSpelling)
{
    EXPECT_EQ(halstead(scan("s = L\"ab\";")), halstead(2, 3, 2, 3));
    // "ab" with its quotes is not the identifier ab.
    EXPECT_EQ(halstead(scan("ab = L\"ab\";")), halstead(2, 3, 2, 3));
    EXPECT_EQ(halstead(scan("x = 1u + 1U + 1;")), halstead(3, 4, 4, 4));
}

TEST(HalsteadTokens, NumberAndCharacterForms)
{
    // x, 1L, L, 0, 8, 0x1, p3, 1.5e+3f, 0b101u, 'a', '\n', '\x41', .5
    HalsteadCounts c = scan("x = 1LL + 08 + 0x1p3 + 1.5e+3f + 0b101u + 'a' + '\\n' + '\\x41' + .5;");
    EXPECT_EQ(halstead(c), halstead(3, 13, 10, 13));
    // An octal escape has at most three digits.
    EXPECT_EQ(halstead(scan("c = '\\1234';")), halstead(2, 2, 2, 2));
    EXPECT_EQ(halstead(scan("a = $b @ `c`;")), halstead(2, 3, 2, 3));
}

// The unfinished beginning of a longer token splits into the tokens that
// its head and the rest make on their own.
TEST(HalsteadTokens, UnfinishedTokensSplit)
{
    const struct {
        const char *text;
        int n1, n2, N1, N2;
    } cases[] = {
        {"a..b;", 2, 2, 3, 2},          // . . ;
        {"x = 1e+y;", 3, 4, 3, 4},      // 1 e +
        {"1.5e;", 1, 2, 1, 2},          // 1.5 e
        {"x = 0xg + 09;", 3, 4, 3, 5},  // 0 xg, 0 9
        {"c = '\\x';", 2, 2, 2, 2},     // stray quotes and backslash, x
        {"s = \"ab", 1, 2, 1, 2},       // stray quote, ab
        {"a \\\nb", 0, 2, 0, 2},        // a backslash line at the end of the input
        {" \v%x;\n", 2, 1, 2, 1},       // mixed blanks before "%" at a line start
    };
    for (const auto &k : cases) EXPECT_EQ(halstead(scan(k.text)), halstead(k.n1, k.n2, k.N1, k.N2)) << k.text;
}

TEST(HalsteadTokens, PassesDoNotShareCounts)
{
    scan("a = b; while (a) a--;");
    EXPECT_EQ(halstead(scan("c + d;")), halstead(2, 2, 2, 2));
    EXPECT_EQ(halstead(scan("a;")), halstead(1, 1, 1, 1));
}

TEST(HalsteadTokens, ProgramFormPathIsResolved)
{
    testutil::TempDir dir;
    testutil::writeFile(dir.file("a.c"), "x;\n");
    std::string path = dir.path() + "/A.C";
    for (char &ch : path)
        if (ch == '/') ch = '\\';
    HalsteadCounts counts{};
    runHalsteadPass(path.c_str(), nullptr, &counts);
    EXPECT_EQ(halstead(counts), halstead(1, 1, 1, 1));
}

// Whatever the bytes, every line lands in exactly one class.
TEST(HalsteadLines, EveryLineCountedOnce)
{
    const std::string alphabet = std::string("ab1 \t\n\r\v\f\\/*\"'.<:>;()#%\0\x7F\xFF", 26);
    testutil::TempDir dir;
    unsigned seed = 12345;
    testing::internal::CaptureStderr();  // line-marker warnings of the junk
    for (int round = 0; round < 200; ++round) {
        std::string text;
        for (int i = 0; i < 400; ++i) {
            seed = seed * 1103515245u + 12345u;
            text += alphabet[(seed >> 16) % alphabet.size()];
        }
        HalsteadCounts c = scan(text, dir);
        EXPECT_EQ(c.Total, c.Src1 + c.Src2 + c.Comment1 + c.Empty) << "round " << round;
        EXPECT_GE(c.Total, 1);
    }
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(errorCount(), 0);
}
