// The syntax tree: node construction, sibling chains with the append cache
// that keeps the grammar's left-recursive lists linear, end positions, and
// release. Walks over whole subtrees use explicit stacks because tree depth
// follows the input (deeply nested parentheses must not exhaust the C stack).
#include "frontend/arbre.h"

#include <vector>

#include "frontend/kinds.h"
#include "frontend/places.h"
#include "support/alpha.h"
#include "support/machine.h"

namespace {

// Head and tail of the chain most recently extended.
SyntaxNode *cachedHead = nullptr;
SyntaxNode *cachedTail = nullptr;

// Chains the cache moved away from, innermost last. A function body extends
// many lists between two appends to the file's definition list; without
// these the definition list would be walked from its head every time. Lists
// nest: when an outer list grows again, the ones parked after it are complete.
// A parked head knows its slot (parkSlot = index + 1); a freed head leaves a
// dead slot behind.
struct ParkedChain {
    SyntaxNode *head;
    SyntaxNode *tail;
};
std::vector<ParkedChain> parked;

void park(SyntaxNode *head, SyntaxNode *tail)
{
    if (head->parkSlot) return;
    parked.push_back({head, tail});
    head->parkSlot = static_cast<int32_t>(parked.size());
}

// Drops every slot from index on.
void unparkFrom(size_t index)
{
    for (size_t i = index; i < parked.size(); ++i)
        if (parked[i].head) parked[i].head->parkSlot = 0;
    parked.resize(index);
}

// Where the walk to the end of a chain may start: its parked tail, or its head.
SyntaxNode *resumeChain(SyntaxNode *head)
{
    if (!head->parkSlot) return head;
    size_t index = static_cast<size_t>(head->parkSlot) - 1;
    SyntaxNode *tail = parked[index].tail;
    unparkFrom(index);
    return tail;
}

TokenSpan pendingSpan;

// Reused between calls so that walks do not allocate each time.
std::vector<SyntaxNode *> &walkStack()
{
    static std::vector<SyntaxNode *> stack;
    return stack;
}

// After the walk of a very deep tree the stack's storage is given back.
void trimWalkStack()
{
    std::vector<SyntaxNode *> &stack = walkStack();
    if (stack.capacity() > 65536) std::vector<SyntaxNode *>().swap(stack);
}

bool spanIsEmpty(const TokenSpan &span) { return span.lines == 0 && span.end_column == 0; }

// Last node of the chain that starts at head; a node pointing at itself or
// back at the head means the tree is corrupted.
SyntaxNode *lastOfChain(SyntaxNode *head, const SyntaxNode *otherHead)
{
    SyntaxNode *node = head;
    while (node->next) {
        SyntaxNode *next = node->next;
        if (next == node || next == head || next == otherHead) reportPanic();
        node = next;
    }
    return node;
}

void forgetCachedNode(SyntaxNode *node)
{
    if (node == cachedHead || node == cachedTail) {
        cachedHead = nullptr;
        cachedTail = nullptr;
    }
    if (node->parkSlot) {
        parked[static_cast<size_t>(node->parkSlot) - 1].head = nullptr;
        node->parkSlot = 0;
    }
}

}  // namespace

SourcePosition ExpandPosition(const NodePosition &p)
{
    const SourcePlace &place = PlaceAt(p.place);
    return SourcePosition{place.instr_off, p.line, place.file, place.directory, p.physical_line, p.column};
}

TokenSpan &PendingSpan() { return pendingSpan; }

void ClearPendingSpan() { pendingSpan = TokenSpan{}; }

// Nodes come from slabs and freed nodes wait on a free list for the next
// NewNode: a parse makes and frees millions of nodes of one size, and one
// allocation per node (and one release each at the end) is the slow part.
namespace {
constexpr std::size_t kNodesPerSlab = 4096;
SyntaxNode *freeNodes = nullptr;
std::vector<SyntaxNode *> nodeSlabs;
std::size_t nodesLeftInSlab = 0;

SyntaxNode *takeNode()
{
    if (SyntaxNode *node = freeNodes) {
        freeNodes = node->next;
        *node = SyntaxNode{};
        return node;
    }
    if (nodesLeftInSlab == 0) {
        nodeSlabs.push_back(static_cast<SyntaxNode *>(allocZeroed(kNodesPerSlab * sizeof(SyntaxNode))));
        nodesLeftInSlab = kNodesPerSlab;
    }
    return nodeSlabs.back() + (kNodesPerSlab - nodesLeftInSlab--);
}
}  // namespace

SyntaxNode *NewNode(int kind, const ParseValue *token)
{
    SyntaxNode *node = takeNode();
    node->kind = static_cast<int16_t>(kind);
    if (token) {
        node->start = token->position;
        node->alpha = token->alpha;
    }
    return node;
}

SyntaxNode *NewNode1(int kind, const ParseValue *token, SyntaxNode *first)
{
    SyntaxNode *node = NewNode(kind, token);
    node->child = first;
    return node;
}

SyntaxNode *NewNode2(int kind, const ParseValue *token, SyntaxNode *a, SyntaxNode *b)
{
    return AddChild(NewNode1(kind, token, a), b);
}

SyntaxNode *NewNode3(int kind, const ParseValue *token, SyntaxNode *a, SyntaxNode *b, SyntaxNode *c)
{
    return AddChild(NewNode2(kind, token, a, b), c);
}

SyntaxNode *NewNode4(int kind, const ParseValue *token, SyntaxNode *a, SyntaxNode *b, SyntaxNode *c, SyntaxNode *d)
{
    return AddChild(NewNode3(kind, token, a, b, c), d);
}

SyntaxNode *AddChild(SyntaxNode *node, SyntaxNode *list)
{
    if (!node) reportInternal(QStringLiteral("Attempt to find last child of null tree"));
    if (list) node->child = AppendSiblings(node->child, list);
    return node;
}

SyntaxNode *AppendSiblings(SyntaxNode *a, SyntaxNode *b)
{
    if (!a) return b;
    if (!b) return a;
    if (a == cachedHead && cachedTail) {
        cachedTail->next = b;
    } else {
        if (cachedHead && cachedTail) park(cachedHead, cachedTail);
        lastOfChain(resumeChain(a), a)->next = b;
        cachedHead = a;
    }
    cachedTail = lastOfChain(resumeChain(b), a);
    return a;
}

SyntaxNode *SetEnd(SyntaxNode *node, const ParseValue *token)
{
    if (node && token) node->end = token->position;
    return node;
}

SyntaxNode *SetEndWidth(SyntaxNode *node, const ParseValue *token, int width)
{
    if (node && token) {
        node->end = token->position;
        node->end.column += width - 1;
    }
    return node;
}

SyntaxNode *SetAlpha(SyntaxNode *node, _AlphaType *alpha)
{
    if (!node) reportInternal(translateText("Internal Error", "Attempt to set alpha of null node"));
    node->alpha = alpha;
    node->end = node->start;
    if (spanIsEmpty(pendingSpan) || !SamePosition(pendingSpan.start, node->start)) {
        if (alpha) node->end.column += static_cast<int32_t>(alpha->length) - 1;
        return node;
    }
    if (pendingSpan.lines > 0) {
        node->end.line = AdvanceLine(node->end.line, pendingSpan.lines);
        node->end.physical_line = AdvanceLine(node->end.physical_line, pendingSpan.lines);
        node->end.column = pendingSpan.end_column;
    } else {
        node->end.column += pendingSpan.end_column;
    }
    ClearPendingSpan();
    return node;
}

SyntaxNode *SetDeclarationEnd(SyntaxNode *node, const ParseValue *token, bool withSiblings)
{
    if (!node || !token) return node;
    const NodePosition end = token->position;
    std::vector<SyntaxNode *> &stack = walkStack();
    stack.clear();
    if (withSiblings) {
        stack.push_back(node);
    } else {
        if (node->kind == INIT_DECLARATOR) node->end = end;
        if (node->child) stack.push_back(node->child);
    }
    // Each stack entry is the head of a sibling chain still to be visited.
    while (!stack.empty()) {
        SyntaxNode *chain = stack.back();
        stack.pop_back();
        for (SyntaxNode *n = chain; n; n = n->next) {
            if (n->kind == INIT_DECLARATOR) n->end = end;
            if (n->child) stack.push_back(n->child);
        }
    }
    trimWalkStack();
    return node;
}

void FreeTree(SyntaxNode *node)
{
    if (!node) return;
    // A whole file's tree goes at once: no list of it is extended any more.
    if (node->kind == TRANSLATION_UNIT) ResetAppendCache();
    std::vector<SyntaxNode *> &stack = walkStack();
    stack.clear();
    stack.push_back(node);
    // Each stack entry is a node whose children have not been looked at yet.
    while (!stack.empty()) {
        SyntaxNode *parent = stack.back();
        stack.pop_back();
        SyntaxNode *first = parent->child;
        for (SyntaxNode *child = first; child;) {
            SyntaxNode *next = child->next;
            if (next == first || next == child) reportPanic();
            if (child->kind == EXTERN) {
                FreeCountedList(ExternList(child));
                child->alpha = nullptr;
            }
            stack.push_back(child);
            child = next;
        }
        forgetCachedNode(parent);
        parent->next = freeNodes;
        freeNodes = parent;
    }
    trimWalkStack();
}

void ReleaseNodeStorage()
{
    // A parse left by a jump leaves chains parked: they go with the storage.
    parked.clear();
    cachedHead = nullptr;
    cachedTail = nullptr;
    for (SyntaxNode *slab : nodeSlabs) releaseBlock(slab);
    std::vector<SyntaxNode *>().swap(nodeSlabs);
    nodesLeftInSlab = 0;
    freeNodes = nullptr;
    ForgetPlaces();
}

void ResetAppendCache()
{
    cachedHead = nullptr;
    cachedTail = nullptr;
    unparkFrom(0);
}
