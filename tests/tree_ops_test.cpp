// Tree operations: building and linking nodes, the append cache, end
// positions, release of deep trees and the failures of a corrupted tree.
#include <gtest/gtest.h>

#include "frontend/arbre.h"
#include "frontend/kinds.h"
#include "frontend/places.h"
#include "support/alpha.h"
#include "support/machine.h"

namespace {

struct ExitCalled {
    int code;
};

[[noreturn]] void throwingExit(int code) { throw ExitCalled{code}; }

class TreeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setExitHook(throwingExit);
        ResetAppendCache();
        ClearPendingSpan();
    }
    void TearDown() override { setExitHook(nullptr); }

    static ParseValue token(const char *text, int line, int column)
    {
        ParseValue v{};
        v.alpha = FindOrAddAlpha(text);
        v.position = NodePosition{line, line, column, InternPlace(FindOrAddAlpha("A.C"), nullptr, 0)};
        return v;
    }
};

template <typename Action>
int exitCodeOf(Action action)
{
    try {
        action();
    } catch (const ExitCalled &e) {
        return e.code;
    }
    return -1;
}

int chainLength(const SyntaxNode *n)
{
    int count = 0;
    for (; n; n = n->next) ++count;
    return count;
}

TEST_F(TreeTest, NewNodesCopyTheTokenAndKeepChildOrder)
{
    ParseValue t = token("f", 3, 7);
    SyntaxNode *a = NewNode(IDENTIFIER, &t);
    SyntaxNode *b = NewNode(IDENTIFIER, nullptr);
    SyntaxNode *c = NewNode(INTEGER_CONSTANT, nullptr);
    SyntaxNode *d = NewNode(SKIPPED, nullptr);
    SyntaxNode *n = NewNode4(CALL, &t, a, nullptr, AppendSiblings(b, c), d);
    EXPECT_EQ(n->kind, CALL);
    EXPECT_EQ(n->alpha, t.alpha);
    EXPECT_TRUE(SamePosition(n->start, t.position));
    EXPECT_EQ(n->end.line, 0);
    ASSERT_EQ(n->child, a);
    EXPECT_EQ(a->next, b);
    EXPECT_EQ(b->next, c);
    EXPECT_EQ(c->next, d);
    EXPECT_EQ(d->next, nullptr);
    SyntaxNode *empty = NewNode(SKIPPED, nullptr);
    EXPECT_EQ(empty->alpha, nullptr);
    EXPECT_EQ(empty->start.column, 0);
    FreeTree(n);
    FreeTree(empty);
    FreeTree(nullptr);
}

TEST_F(TreeTest, NodesKeepFileDirectoryAndFlagOfEachPosition)
{
    // Places that change from one node to the next, the flag alone included.
    _AlphaType *a = FindOrAddAlpha("A.C"), *b = FindOrAddAlpha("B.H"), *dir = FindOrAddAlpha("\\SRC\\");
    const SourcePosition positions[] = {
        {0, 1, a, dir, 1, 1},     {1, 2, a, dir, 2, 2}, {0, 3, b, dir, 3, 3},
        {0, 4, b, nullptr, 4, 4}, {0, 5, a, dir, 5, 5}, {0, 0, nullptr, nullptr, 0, 0},
    };
    for (const SourcePosition &p : positions) {
        ParseValue t{};
        t.position = NodePosition{p.line, p.physical_line, p.column, InternPlace(p.file, p.directory, p.instr_off)};
        SyntaxNode *n = SetEnd(NewNode(IDENTIFIER, &t), &t);
        for (const SourcePosition &kept : {ExpandPosition(n->start), ExpandPosition(n->end)}) {
            EXPECT_EQ(kept.file, p.file) << p.line;
            EXPECT_EQ(kept.directory, p.directory) << p.line;
            EXPECT_EQ(kept.instr_off, p.instr_off) << p.line;
            EXPECT_EQ(kept.line, p.line);
        }
        FreeTree(n);
    }
}

TEST_F(TreeTest, AppendAndAddChildWithNullLists)
{
    SyntaxNode *a = NewNode(IDENTIFIER, nullptr);
    SyntaxNode *b = NewNode(IDENTIFIER, nullptr);
    EXPECT_EQ(AppendSiblings(nullptr, b), b);
    EXPECT_EQ(AppendSiblings(a, nullptr), a);
    EXPECT_EQ(a->next, nullptr);
    SyntaxNode *parent = NewNode(LBRACE, nullptr);
    EXPECT_EQ(AddChild(parent, nullptr), parent);
    EXPECT_EQ(parent->child, nullptr);
    AddChild(parent, a);
    EXPECT_EQ(parent->child, a);
    AddChild(parent, b);
    EXPECT_EQ(a->next, b);
    FreeTree(parent);
    EXPECT_EQ(exitCodeOf([] { AddChild(nullptr, nullptr); }), 9);
    EXPECT_EQ(exitCodeOf([] { SetAlpha(nullptr, nullptr); }), 9);
}

TEST_F(TreeTest, InterleavedListsStayCorrect)
{
    // Two lists extended in turn: the cache must never hang a node on the wrong list.
    SyntaxNode *x = NewNode(IDENTIFIER, nullptr);
    SyntaxNode *y = NewNode(IDENTIFIER, nullptr);
    for (int i = 0; i < 50; ++i) {
        x = AppendSiblings(x, NewNode(INTEGER_CONSTANT, nullptr));
        y = AppendSiblings(y, AppendSiblings(NewNode(IDENTIFIER, nullptr), NewNode(IDENTIFIER, nullptr)));
        x = AppendSiblings(x, NewNode(INTEGER_CONSTANT, nullptr));
    }
    EXPECT_EQ(chainLength(x), 101);
    EXPECT_EQ(chainLength(y), 101);
    SyntaxNode *root = NewNode2(TRANSLATION_UNIT, nullptr, x, y);
    EXPECT_EQ(chainLength(root->child), 202);
    FreeTree(root);
}

TEST_F(TreeTest, ManyAppendsToOneListRunLinear)
{
    SyntaxNode *list = NewNode(IDENTIFIER, nullptr);
    for (int i = 1; i < 200000; ++i) list = AppendSiblings(list, NewNode(IDENTIFIER, nullptr));
    SyntaxNode *block = NewNode1(LBRACE, nullptr, list);
    for (int i = 0; i < 200000; ++i) AddChild(block, NewNode(SEMICOLON, nullptr));
    EXPECT_EQ(chainLength(block->child), 400000);
    FreeTree(block);
}

// The file's definition list grows while every function body extends lists
// of its own; going back to it must not walk it from its head.
TEST_F(TreeTest, InterleavedListsRunLinear)
{
    SyntaxNode *definitions = NewNode(FUNCTION_DEFINITION, nullptr);
    for (int i = 1; i < 200000; ++i) {
        SyntaxNode *body = NewNode(SEMICOLON, nullptr);
        body = AppendSiblings(body, NewNode(SEMICOLON, nullptr));
        SyntaxNode *args = AppendSiblings(NewNode(IDENTIFIER, nullptr), NewNode(IDENTIFIER, nullptr));
        body = AppendSiblings(body, NewNode2(CALL, nullptr, NewNode(IDENTIFIER, nullptr), args));
        definitions = AppendSiblings(definitions, NewNode1(FUNCTION_DEFINITION, nullptr, body));
    }
    EXPECT_EQ(chainLength(definitions), 200000);
    FreeTree(NewNode1(TRANSLATION_UNIT, nullptr, definitions));
}

// A new node whose first child is the list being built makes that list
// longer: the next append goes after its new end.
TEST_F(TreeTest, ChildrenOfANewNodeExtendTheListBeingBuilt)
{
    SyntaxNode *list = AppendSiblings(NewNode(IDENTIFIER, nullptr), NewNode(IDENTIFIER, nullptr));
    SyntaxNode *extra = NewNode(INTEGER_CONSTANT, nullptr);
    SyntaxNode *call = NewNode2(CALL, nullptr, list, extra);
    SyntaxNode *block = AddChildren(NewNode(LBRACE, nullptr), nullptr, NewNode(SEMICOLON, nullptr));
    AddChildren(block, AppendSiblings(NewNode(BREAK, nullptr), NewNode(BREAK, nullptr)), nullptr);
    SyntaxNode *last = NewNode(SEMICOLON, nullptr);
    AppendSiblings(list, last);
    EXPECT_EQ(extra->next, last);
    EXPECT_EQ(chainLength(call->child), 4);
    EXPECT_EQ(chainLength(block->child), 3);
    FreeTree(call);
    FreeTree(block);
}

// All nodes go back at once: each counted list of an EXTERN node is freed
// once, that of a node freed on its own and made again from the same storage
// included, or left to the release in bulk; the nodes made afterwards come
// out clean.
TEST_F(TreeTest, ReleasingAllNodesFreesEachListOnce)
{
    _AlphaType *v = FindOrAddAlpha("counter");
    auto usedList = [v] {
        CountedList *used = nullptr;
        AddCounted(&used, v);
        return used;
    };
    for (bool bulk : {false, true}) {
        SCOPED_TRACE(bulk);
        SetBulkRelease(bulk);
        NewNode2(LBRACE, nullptr, NewExternNode(usedList()), NewNode(SEMICOLON, nullptr));
        SyntaxNode *dropped = NewNode1(LBRACE, nullptr, NewExternNode(usedList()));
        SyntaxNode *droppedExtern = dropped->child;
        FreeTree(dropped);
        ParseValue t = token("x", 2, 3);
        SyntaxNode *again = NewNode1(LBRACE, &t, NewExternNode(usedList()));
        EXPECT_EQ(again->child == droppedExtern, !bulk);
        SetEnd(again, &t);
        AppendSiblings(again, NewNode(SEMICOLON, &t));
        ReleaseAllNodes();
        for (int i = 0; i < 5; ++i) {
            SyntaxNode *n = NewNode(IDENTIFIER, nullptr);
            EXPECT_EQ(n->alpha, nullptr);
            EXPECT_EQ(n->start.line, 0);
            EXPECT_EQ(n->end.line, 0);
            EXPECT_EQ(n->next, nullptr);
            EXPECT_EQ(n->child, nullptr);
            EXPECT_EQ(n->parkSlot, 0);
        }
        ReleaseAllNodes();
    }
    SetBulkRelease(false);
    EXPECT_STREQ(v->text, "counter");
    // No node points into the slabs now: they go as at the end of a run.
    ReleaseNodeStorage();
}

TEST_F(TreeTest, SetAlphaUsesThePendingSpanOfItsOwnToken)
{
    ParseValue five = token("hello", 4, 10);
    SyntaxNode *n = SetAlpha(NewNode(IDENTIFIER, &five), five.alpha);
    EXPECT_EQ(n->end.column, 14);
    EXPECT_EQ(n->end.line, 4);

    // A literal spanning two line breaks whose closing quote is in column 3.
    ParseValue str = token("\"abcd\"", 7, 5);
    PendingSpan() = TokenSpan{str.position, 2, 3};
    SyntaxNode *s = SetAlpha(NewNode(STRING_LITERAL, &str), str.alpha);
    EXPECT_EQ(s->end.line, 9);
    EXPECT_EQ(s->end.physical_line, 9);
    EXPECT_EQ(s->end.column, 3);
    EXPECT_EQ(PendingSpan().lines, 0);

    // A span on one line: the end lies end_column to the right of the start.
    PendingSpan() = TokenSpan{str.position, 0, 12};
    FreeTree(s);
    s = SetAlpha(NewNode(IDENTIFIER, &str), str.alpha);
    EXPECT_EQ(s->end.line, 7);
    EXPECT_EQ(s->end.column, 17);
    EXPECT_EQ(PendingSpan().end_column, 0);

    // A span recorded for another token is neither used nor consumed.
    PendingSpan() = TokenSpan{str.position, 1, 2};
    SyntaxNode *other = SetAlpha(NewNode(IDENTIFIER, &five), five.alpha);
    EXPECT_EQ(other->end.column, 14);
    EXPECT_EQ(PendingSpan().lines, 1);
    for (SyntaxNode *node : {n, s, other}) FreeTree(node);
}

TEST_F(TreeTest, EndPositions)
{
    ParseValue open = token("(", 2, 4);
    ParseValue close = token(")", 3, 9);
    SyntaxNode *n = SetEnd(NewNode(LPAREN, &open), &close);
    EXPECT_TRUE(SamePosition(n->end, close.position));
    SetEnd(n, nullptr);
    EXPECT_TRUE(SamePosition(n->end, close.position));
    SetEndWidth(n, &close, 3);
    EXPECT_EQ(n->end.column, 11);
    FreeTree(n);

    // Declarators nested anywhere get the end; siblings only when asked.
    ParseValue semi = token(";", 5, 20);
    SyntaxNode *inner = NewNode(INIT_DECLARATOR, nullptr);
    SyntaxNode *first = NewNode1(INIT_DECLARATOR, nullptr, NewNode1(STAR, nullptr, inner));
    SyntaxNode *second = NewNode(INIT_DECLARATOR, nullptr);
    AppendSiblings(first, second);
    SetDeclarationEnd(first, &semi, false);
    EXPECT_EQ(first->end.column, 20);
    EXPECT_EQ(inner->end.column, 20);
    EXPECT_EQ(second->end.column, 0);
    SetDeclarationEnd(first, &open, true);
    EXPECT_EQ(second->end.column, 4);
    EXPECT_EQ(inner->end.column, 4);
    FreeTree(NewNode2(TRANSLATION_UNIT, nullptr, first, nullptr));
}

TEST_F(TreeTest, FreeingAnExternChildFreesItsListNotTheEntries)
{
    _AlphaType *v = FindOrAddAlpha("counter");
    CountedList *used = nullptr;
    AddCounted(&used, v);
    AddCounted(&used, v);
    SyntaxNode *ext = NewNode(EXTERN, nullptr);
    ext->alpha = reinterpret_cast<_AlphaType *>(used);
    SyntaxNode *block = NewNode2(LBRACE, nullptr, ext, NewNode(SEMICOLON, nullptr));
    FreeTree(block);
    EXPECT_EQ(FindOrAddAlpha("counter"), v);
    EXPECT_STREQ(v->text, "counter");
}

TEST_F(TreeTest, DeepTreesAreWalkedWithoutTheCStack)
{
    // As from two million nested parentheses.
    ParseValue semi = token(";", 1, 1);
    SyntaxNode *n = NewNode(IDENTIFIER, nullptr);
    for (int i = 0; i < 2000000; ++i) n = NewNode1(LPAREN, nullptr, n);
    SyntaxNode *decl = NewNode1(INIT_DECLARATOR, nullptr, n);
    SetDeclarationEnd(decl, &semi, true);
    EXPECT_EQ(decl->end.column, 1);
    FreeTree(decl);
}

TEST_F(TreeTest, CorruptedChainsPanic)
{
    SyntaxNode *a = NewNode(IDENTIFIER, nullptr);
    SyntaxNode *b = NewNode(IDENTIFIER, nullptr);
    a->next = a;
    EXPECT_EQ(exitCodeOf([&] { AppendSiblings(a, b); }), 7);

    a->next = nullptr;
    ResetAppendCache();
    AppendSiblings(a, b);
    EXPECT_EQ(exitCodeOf([&] { AppendSiblings(a, a); }), 7);  // would close a cycle

    SyntaxNode *c = NewNode(IDENTIFIER, nullptr);
    EXPECT_EQ(exitCodeOf([&] { NewNode2(CALL, nullptr, c, c); }), 7);  // a child list closed on itself
    c->next = nullptr;
    FreeTree(c);

    b->next = a;
    SyntaxNode *block = NewNode(LBRACE, nullptr);
    block->child = a;
    EXPECT_EQ(exitCodeOf([&] { FreeTree(block); }), 7);
    b->next = nullptr;
    FreeTree(block);
}

TEST(KindNames, BoundariesOfTheNumbering)
{
    EXPECT_STREQ(KindName(END), "END");
    EXPECT_STREQ(KindName(ERROR), "ERROR");
    EXPECT_STREQ(KindName(257), "AUTO");
    EXPECT_STREQ(KindName(288), "WHILE");
    EXPECT_STREQ(KindName(289), "IDENTIFIER");
    EXPECT_STREQ(KindName(343), "EXTRA_QUALIFIER");
    EXPECT_STREQ(KindName(348), "BINARY_CONSTANT");
    EXPECT_STREQ(KindName(349), "TRANSLATION_UNIT");
    EXPECT_STREQ(KindName(366), "PAREN_DECLARATOR");
    EXPECT_STREQ(KindName(367), "SKIPPED");
    EXPECT_STREQ(KindName(368), "ASM_STATEMENT");
    EXPECT_STREQ(KindName(1), "?");
    EXPECT_STREQ(KindName(255), "?");
    EXPECT_STREQ(KindName(369), "?");
    EXPECT_STREQ(KindName(-1), "?");
}

}  // namespace
