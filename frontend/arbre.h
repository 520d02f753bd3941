// The syntax tree: source positions, the parser value, nodes, and the
// operations that build, link and free them.
#pragma once

#include <cstdint>

struct _AlphaType;
struct CountedList;

struct SourcePosition {
    uint8_t instr_off;
    int32_t line;
    _AlphaType *file;
    _AlphaType *directory;
    int32_t physical_line;
    int32_t column;
};
// Line numbers are 32-bit counters that a line marker may set to any value,
// the largest included: moving on from there wraps instead of overflowing.
inline int32_t AdvanceLine(int32_t line, int32_t by)
{
    return static_cast<int32_t>(static_cast<uint32_t>(line) + static_cast<uint32_t>(by));
}
inline int32_t LinesBetween(int32_t from, int32_t to)
{
    return static_cast<int32_t>(static_cast<uint32_t>(to) - static_cast<uint32_t>(from));
}

// A position as tokens and nodes hold it. File, directory and
// instrumentation flag change only at line markers and pragmas, so they are
// kept once per run in the place table (frontend/places.h) and a position
// holds their index: a node then fills one cache line and a parser value
// half of one.
struct NodePosition {
    int32_t line;
    int32_t physical_line;
    int32_t column;
    uint32_t place;  // 0 is the place of no file
};
inline bool SamePosition(const NodePosition &a, const NodePosition &b)
{
    return a.line == b.line && a.physical_line == b.physical_line && a.column == b.column && a.place == b.place;
}
SourcePosition ExpandPosition(const NodePosition &p);

struct SyntaxNode;

// The scanner's token value and each entry of the parser's value stack.
struct ParseValue {
    _AlphaType *alpha;
    NodePosition position;
    SyntaxNode *node;  // always null in a token value

    // Assigned field by field, in the widths an action writes them: a value
    // stored in pieces and then loaded whole stalls the processor on every
    // reduction.
    ParseValue() = default;
    ParseValue(const ParseValue &) = default;
    ParseValue &operator=(const ParseValue &other)
    {
        alpha = other.alpha;
        position = other.position;
        node = other.node;
        return *this;
    }
};
static_assert(sizeof(ParseValue) == 32, "a parser value is copied several times per reduction");

struct SyntaxNode {
    int16_t kind;
    int32_t parkSlot;   // bookkeeping of the append cache; 0 outside it
    _AlphaType *alpha;  // an EXTERN child of a compound statement holds a CountedList* here
    NodePosition start;
    NodePosition end;
    SyntaxNode *next;
    SyntaxNode *child;
};
static_assert(sizeof(SyntaxNode) == 64, "a node fills one cache line");

// The last token whose text spanned line breaks: written by the C scanner,
// consumed by SetAlpha. Empty when lines and end_column are both 0.
struct TokenSpan {
    NodePosition start;
    int32_t lines;
    int32_t end_column;
};
TokenSpan &PendingSpan();
void ClearPendingSpan();

SyntaxNode *NewNode(int kind, const ParseValue *token);
// NewNode, then SetAlpha with the token's entry: a leaf of the tree.
SyntaxNode *NameLeaf(int kind, const ParseValue &token);
// An EXTERN node holding the counted list of a block's used statics.
SyntaxNode *NewExternNode(CountedList *used);
SyntaxNode *NewNode1(int kind, const ParseValue *token, SyntaxNode *first);
SyntaxNode *NewNode2(int kind, const ParseValue *token, SyntaxNode *a, SyntaxNode *b);
SyntaxNode *NewNode3(int kind, const ParseValue *token, SyntaxNode *a, SyntaxNode *b, SyntaxNode *c);
SyntaxNode *NewNode4(int kind, const ParseValue *token, SyntaxNode *a, SyntaxNode *b, SyntaxNode *c, SyntaxNode *d);
SyntaxNode *AddChild(SyntaxNode *node, SyntaxNode *list);
// AddChild of a, then of b, for a node that gets its children once, from
// complete subtrees that no rule extends any further: the append cache stays
// with the list being built around them.
SyntaxNode *AddChildren(SyntaxNode *node, SyntaxNode *a, SyntaxNode *b);
SyntaxNode *AppendSiblings(SyntaxNode *a, SyntaxNode *b);
// The end setters leave a null node or a null token alone.
SyntaxNode *SetEnd(SyntaxNode *node, const ParseValue *token);
SyntaxNode *SetEndWidth(SyntaxNode *node, const ParseValue *token, int width);
SyntaxNode *SetAlpha(SyntaxNode *node, _AlphaType *alpha);
SyntaxNode *SetDeclarationEnd(SyntaxNode *node, const ParseValue *token, bool withSiblings);
void FreeTree(SyntaxNode *node);
void ResetAppendCache();
// Gives every node back at once, without walking a tree (the counted lists
// of EXTERN nodes included): only when no node is held anywhere any more,
// as when the parser has handed on a complete top-level definition.
void ReleaseAllNodes();
// Whether ReleaseAllNodes ends every top-level definition: FreeTree may then
// leave the nodes to it.
void SetBulkRelease(bool on);
// Gives the storage of every node and the place table back at the end of a
// run; the nodes of a parse that a jump abandoned go with it.
void ReleaseNodeStorage();

// The counted list held by an EXTERN node.
inline CountedList *ExternList(const SyntaxNode *n) { return reinterpret_cast<CountedList *>(n->alpha); }
