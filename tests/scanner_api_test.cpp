// The scanner's interface as the grammar and the pragma handlers use it:
// per-file set-up, raw reads at and after the end of input, SkipBalanced
// with a preset depth, references, and input-buffer failures.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "frontend/accept.h"
#include "frontend/kinds.h"
#include "frontend/stx_c_lex.h"
#include "support/alpha.h"
#include "support/machine.h"
#include "testutil.h"

namespace {

struct ExitCalled {
    int code;
};

[[noreturn]] void throwingExit(int code) { throw ExitCalled{code}; }

class ScannerApi : public ::testing::Test {
protected:
    void SetUp() override
    {
        setExitHook(throwingExit);
        InitAcceptTables();
    }
    void TearDown() override
    {
        if (stream) CloseScannerFile(stream);
        FreeAcceptTables();
        setExitHook(nullptr);
    }
    void open(const std::string &text)
    {
        testutil::writeFile(dir.file("in.c"), text);
        stream = OpenScannerFile(dir.file("in.c").c_str(), false);
    }

    testutil::TempDir dir;
    FILE *stream = nullptr;
};

TEST_F(ScannerApi, EndOfInputIsFinalForTokensAndRawReads)
{
    open("a\n");
    EXPECT_EQ(NextToken(), IDENTIFIER);
    EXPECT_STREQ(TokenText(), "a");
    EXPECT_EQ(ReadChar(), '\n');
    EXPECT_TRUE(Scanner().lineStart);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(ReadChar(), -1);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(NextToken(), END);
    EXPECT_EQ(ReadChar(), -1);
}

TEST_F(ScannerApi, NulBytesAreDataForRawReads)
{
    open(std::string("x\0y", 3));
    EXPECT_EQ(NextToken(), IDENTIFIER);
    EXPECT_EQ(ReadChar(), 0);
    EXPECT_EQ(ReadChar(), 'y');
    EXPECT_EQ(ReadChar(), -1);
}

TEST_F(ScannerApi, EachFileStartsAfresh)
{
    open("first second\n");
    EXPECT_EQ(NextToken(), IDENTIFIER);
    CloseScannerFile(stream);
    stream = nullptr;
    testutil::writeFile(dir.file("b.c"), "  third\n");
    stream = OpenScannerFile(dir.file("b.c").c_str(), true);
    EXPECT_EQ(NextToken(), IDENTIFIER);
    EXPECT_STREQ(TokenValue().alpha->text, "third");
    EXPECT_EQ(TokenValue().position.column, 3);
    EXPECT_EQ(TokenValue().position.line, 1);
    EXPECT_EQ(ExpandPosition(TokenValue().position).instr_off, 1);
    EXPECT_STREQ(ExpandPosition(TokenValue().position).file->text, "B.C");
    EXPECT_EQ(NextToken(), END);
}

TEST_F(ScannerApi, SkipBalancedHonoursThePresetDepthAndLiterals)
{
    open("( \"(\" ')' \\) ) ) tail\n");
    EXPECT_EQ(NextToken(), LPAREN);
    Scanner().groupDepthPreset = 1;
    ClearPendingSpan();
    EXPECT_EQ(SkipBalanced('(', ')'), ')');
    Scanner().groupDepthPreset = 0;
    // Every character read counts for the span and the next column.
    EXPECT_EQ(PendingSpan().end_column, 15);
    EXPECT_EQ(NextToken(), IDENTIFIER);
    EXPECT_EQ(TokenValue().position.column, 18);
    EXPECT_EQ(SkipBalanced('(', ')'), -1);
}

// A line marker may name the largest line number; the lines after it wrap
// instead of overflowing, through line feeds, directive lines and spliced
// literals alike.
TEST_F(ScannerApi, LineNumbersWrapAfterTheLargest)
{
    open("# 2147483647 \"in.c\"\nx\n#\ny \"a\\\nb\" z\n");
    EXPECT_EQ(NextToken(), IDENTIFIER);
    EXPECT_EQ(TokenValue().position.line, 2147483647);
    EXPECT_EQ(NextToken(), IDENTIFIER);
    EXPECT_EQ(TokenValue().position.line, -2147483647);
    EXPECT_EQ(NextToken(), STRING_LITERAL);
    EXPECT_EQ(NextToken(), IDENTIFIER);
    EXPECT_STREQ(TokenValue().alpha->text, "z");
    EXPECT_EQ(TokenValue().position.line, -2147483646);
}

TEST_F(ScannerApi, ReferenceNamesTheCurrentFile)
{
    open("a\n");
    std::string dirEntry = Scanner().currentDirectory->text;
    EXPECT_EQ(CurrentReference(12).toStdString(), "[" + dirEntry + "IN.C,12]");
}

TEST_F(ScannerApi, InputFailureEndsWithTheFlexMessage)
{
    // A directory opened as a stream fails on its first read.
    FILE *folder = std::fopen(dir.path().c_str(), "r");
    ASSERT_NE(folder, nullptr);
    ResetScannerForFile(FindOrAddAlpha("X.C"), FindOrAddAlpha("\\"), false);
    RestartScanner(folder);
    testing::internal::CaptureStderr();
    int code = 0;
    try {
        NextToken();
    } catch (const ExitCalled &e) {
        code = e.code;
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "input in flex scanner failed\n");
    EXPECT_EQ(code, 2);
    CloseScannerFile(folder);
}

}  // namespace
