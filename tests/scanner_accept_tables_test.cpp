// The accept, sequence and replacement tables: newest record first, the
// cursor of accepted sequences, lookups that fail and the release.
#include <gtest/gtest.h>

#include "frontend/accept.h"
#include "support/alpha.h"
#include "support/machine.h"

namespace {

struct ExitCalled {
    int code;
};

[[noreturn]] void throwingExit(int code) { throw ExitCalled{code}; }

class AcceptTablesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setExitHook(throwingExit);
        InitAcceptTables();
    }
    void TearDown() override
    {
        FreeAcceptTables();
        setExitHook(nullptr);
    }
};

int exitCodeOf(void (*action)())
{
    try {
        action();
    } catch (const ExitCalled &e) {
        return e.code;
    }
    return -1;
}

TEST_F(AcceptTablesTest, LaterAcceptCodeWins)
{
    _AlphaType *x = FindOrAddAlpha("X");
    _AlphaType *y = FindOrAddAlpha("Y");
    AddAcceptCode(x, 289);
    AddAcceptCode(y, 343);
    AddAcceptCode(x, 331);
    AddAcceptCode(nullptr, 300);
    EXPECT_EQ(AcceptCode(x), 331u);
    EXPECT_EQ(AcceptCode(y), 343u);
}

TEST_F(AcceptTablesTest, MissingRecordsAreInternalErrors)
{
    EXPECT_EQ(exitCodeOf([] { AcceptCode(nullptr); }), 9);
    EXPECT_EQ(exitCodeOf([] { AcceptCode(FindOrAddAlpha("unregistered")); }), 9);
    EXPECT_EQ(exitCodeOf([] { BeginAcceptedSequence(nullptr); }), 9);
    EXPECT_EQ(exitCodeOf([] { BeginAcceptedSequence(FindOrAddAlpha("unregistered")); }), 9);
}

TEST_F(AcceptTablesTest, OneCursorForEverySequence)
{
    _AlphaType *outer = FindOrAddAlpha("OUTER");
    _AlphaType *inner = FindOrAddAlpha("INNER");
    AddAcceptedSequence(outer, false);
    AddSequenceTerminator(331);
    AddSequenceTerminator(339);
    AddAcceptedSequence(inner, true);
    AddSequenceTerminator(335);
    AddAcceptedSequence(nullptr, true);  // ignored: the terminator below goes to INNER
    AddSequenceTerminator(337);
    EXPECT_FALSE(IsSequenceTerminator(331)) << "no cursor yet";

    EXPECT_FALSE(BeginAcceptedSequence(outer));
    EXPECT_TRUE(IsSequenceTerminator(331));
    EXPECT_TRUE(IsSequenceTerminator(339));
    EXPECT_FALSE(IsSequenceTerminator(335));

    // The inner sequence takes the cursor over, and keeps it after it ends.
    EXPECT_TRUE(BeginAcceptedSequence(inner));
    EXPECT_TRUE(IsSequenceTerminator(335));
    EXPECT_TRUE(IsSequenceTerminator(337));
    EXPECT_FALSE(IsSequenceTerminator(331));

    // A newer declaration for the same name is the one found.
    AddAcceptedSequence(outer, true);
    AddSequenceTerminator(259);
    AddSequenceTerminator(4294967295u);
    EXPECT_TRUE(BeginAcceptedSequence(outer));
    EXPECT_TRUE(IsSequenceTerminator(259));
    EXPECT_FALSE(IsSequenceTerminator(331));
    EXPECT_FALSE(IsSequenceTerminator(-1)) << "no token code is negative";
}

TEST_F(AcceptTablesTest, ReplacementsAreCopiedWithALineFeed)
{
    EXPECT_FALSE(HasPragmaReplacements());
    EXPECT_FALSE(HasDirectiveReplacements());
    const char *text = "unchanged";
    EXPECT_FALSE(FindPragmaReplacement("mystop", &text));
    EXPECT_EQ(text, nullptr);

    char name[] = "mystop";
    char body[] = "#pragma mevra stop_instr";
    AddPragmaReplacement(name, body);
    name[0] = 'X';
    body[0] = 'X';
    AddDirectiveReplacement("d", "#pragma mevra start_instr");
    EXPECT_TRUE(HasPragmaReplacements());
    EXPECT_TRUE(HasDirectiveReplacements());
    ASSERT_TRUE(FindPragmaReplacement("mystop", &text));
    EXPECT_STREQ(text, "#pragma mevra stop_instr\n");
    EXPECT_FALSE(FindPragmaReplacement("MYSTOP", &text));
    EXPECT_EQ(text, nullptr);
    EXPECT_FALSE(FindPragmaReplacement("d", &text));
    ASSERT_TRUE(FindDirectiveReplacement("d", &text));
    EXPECT_STREQ(text, "#pragma mevra start_instr\n");

    AddPragmaReplacement("mystop", "#pragma mevra stop_analyze");
    ASSERT_TRUE(FindPragmaReplacement("mystop", &text));
    EXPECT_STREQ(text, "#pragma mevra stop_analyze\n");
}

TEST_F(AcceptTablesTest, ReleaseEmptiesTablesAndKeepsEntries)
{
    _AlphaType *x = FindOrAddAlpha("kept");
    AddAcceptCode(x, 289);
    AddAcceptedSequence(x, false);
    AddSequenceTerminator(331);
    AddPragmaReplacement("a", "#b");
    AddDirectiveReplacement("c", "#d");
    FreeAcceptTables();
    EXPECT_FALSE(HasPragmaReplacements());
    EXPECT_FALSE(HasDirectiveReplacements());
    EXPECT_FALSE(IsSequenceTerminator(331));
    EXPECT_EQ(exitCodeOf([] { AcceptCode(FindOrAddAlpha("kept")); }), 9);
    EXPECT_EQ(FindOrAddAlpha("kept"), x);
    EXPECT_STREQ(x->text, "kept");
}

}  // namespace
