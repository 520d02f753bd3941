// The syntax tree: node construction, sibling chains with the append cache
// that keeps the grammar's left-recursive lists linear, end positions, and
// release. Walks over whole subtrees use explicit stacks because tree depth
// follows the input (deeply nested parentheses must not exhaust the C stack).
#include "frontend/arbre.h"

#include <cstdint>
#include <initializer_list>
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
[[gnu::noinline]] void unparkFrom(size_t index)
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
std::vector<SyntaxNode *> walkStack;

// After the walk of a very deep tree the stack's storage is given back.
void trimWalkStack()
{
    if (walkStack.capacity() > 65536) std::vector<SyntaxNode *>().swap(walkStack);
}

// Out of line, so that the messages are built only when needed.
[[noreturn, gnu::cold, gnu::noinline]] void nullParent()
{
    reportInternal(QStringLiteral("Attempt to find last child of null tree"));
}
[[noreturn, gnu::cold, gnu::noinline]] void nullAlphaTarget()
{
    reportInternal(translateText("Internal Error", "Attempt to set alpha of null node"));
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

// Parks the cached chain and makes the chain at head the cached one; returns
// its last node. Out of line: appends to the cached chain are the rule.
[[gnu::noinline]] SyntaxNode *moveCacheTo(SyntaxNode *head)
{
    if (cachedHead && cachedTail) park(cachedHead, cachedTail);
    SyntaxNode *last = lastOfChain(resumeChain(head), head);
    cachedHead = head;
    return last;
}

// Last node of a chain, found from the cache or a parked tail when the
// chain has one; the cache is left as it is.
inline SyntaxNode *endOfChain(SyntaxNode *head)
{
    if (!head->next) return head;
    if (head == cachedHead && cachedTail) return cachedTail;
    if (head->parkSlot) return lastOfChain(parked[static_cast<size_t>(head->parkSlot) - 1].tail, head);
    return lastOfChain(head, head);
}

// Hangs chain after last, the end of the children of a node just made, and
// returns the new end. The chains are complete subtrees that no rule extends
// any further, so the cache stays with the list the grammar is building
// around them; only the end of a cached chain is kept true.
SyntaxNode *hangAfter(SyntaxNode *first, SyntaxNode *last, SyntaxNode *chain)
{
    last->next = chain;
    SyntaxNode *end = endOfChain(chain);
    if (end->next) reportPanic();  // the children closed on themselves
    if (first == cachedHead) cachedTail = end;
    return end;
}

// The children of a node just made: the non-null chains in order.
SyntaxNode *hangChildren(SyntaxNode *node, std::initializer_list<SyntaxNode *> chains)
{
    SyntaxNode *first = nullptr;
    SyntaxNode *last = nullptr;
    for (SyntaxNode *chain : chains) {
        if (!chain) continue;
        if (first) {
            last = hangAfter(first, last, chain);
        } else {
            first = chain;
            last = endOfChain(chain);
        }
    }
    node->child = first;
    return node;
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
// Slabs are kept once made: after ReleaseAllNodes the next nodes come from
// the first slab again, still in the cache, instead of fresh pages.
namespace {
constexpr std::size_t kNodesPerSlab = 4096;
constexpr std::size_t kNodeAlignment = alignof(SyntaxNode) > 64 ? alignof(SyntaxNode) : 64;
struct NodeSlab {
    void *block;  // as allocated
    SyntaxNode *nodes;
};
std::vector<NodeSlab> nodeSlabs;
std::size_t slabsInUse = 0;
SyntaxNode *slabCursor = nullptr;
SyntaxNode *slabEnd = nullptr;
SyntaxNode *freeNodes = nullptr;
// While definitions are released whole, FreeTree leaves the nodes of a
// definition to ReleaseAllNodes as long as they take few slabs.
bool bulkRelease = false;
constexpr std::size_t kDeferringSlabs = 16;
// The EXTERN nodes made since the last ReleaseAllNodes: the counted lists
// they hold are the only storage a node owns.
std::vector<SyntaxNode *> externNodes;

// Out of line, so that taking a node stays a leaf without saved registers.
[[gnu::noinline]] void openSlab()
{
    if (slabsInUse == nodeSlabs.size()) {
        // Aligned so that each node is one cache line, not parts of two.
        void *block = allocZeroed(kNodesPerSlab * sizeof(SyntaxNode) + kNodeAlignment);
        const auto at = (reinterpret_cast<std::uintptr_t>(block) + kNodeAlignment - 1) & ~(kNodeAlignment - 1);
        nodeSlabs.push_back({block, reinterpret_cast<SyntaxNode *>(at)});
    }
    slabCursor = nodeSlabs[slabsInUse++].nodes;
    slabEnd = slabCursor + kNodesPerSlab;
}

SyntaxNode *takeNode()
{
    if (SyntaxNode *node = freeNodes) {
        freeNodes = node->next;
        return node;
    }
    if (slabCursor == slabEnd) openSlab();
    return slabCursor++;
}

// The counted lists of the EXTERN nodes made since the last release.
void freeExternLists()
{
    for (SyntaxNode *node : externNodes) {
        // A node freed on its own gave its list back and may hold another
        // kind now, or be listed twice when it became an EXTERN node again.
        if (node->kind == EXTERN && node->alpha) {
            FreeCountedList(ExternList(node));
            node->alpha = nullptr;
        }
    }
}

// Every slab is free again, from the first one on.
void forgetNodes()
{
    slabsInUse = 0;
    slabCursor = nullptr;
    slabEnd = nullptr;
    freeNodes = nullptr;
    externNodes.clear();
}

void releaseNode(SyntaxNode *node)
{
    forgetCachedNode(node);
    node->next = freeNodes;
    freeNodes = node;
}

// Out of line, so that freeing a leaf saves no registers.
[[gnu::noinline]] void freeSubtree(SyntaxNode *node)
{
    std::vector<SyntaxNode *> &stack = walkStack;
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
        releaseNode(parent);
    }
    trimWalkStack();
}

// Inlined into every maker of nodes in this file.
[[gnu::always_inline]] inline SyntaxNode *makeNode(int kind, const ParseValue *token)
{
    // Every field is written: a reused node holds whatever it held before.
    SyntaxNode *node = takeNode();
    node->kind = static_cast<int16_t>(kind);
    node->parkSlot = 0;
    if (token) {
        node->alpha = token->alpha;
        node->start = token->position;
    } else {
        node->alpha = nullptr;
        node->start = NodePosition{};
    }
    node->end = NodePosition{};
    node->next = nullptr;
    node->child = nullptr;
    return node;
}

[[gnu::always_inline]] inline SyntaxNode *setAlpha(SyntaxNode *node, _AlphaType *alpha)
{
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

}  // namespace

SyntaxNode *NewNode(int kind, const ParseValue *token) { return makeNode(kind, token); }

SyntaxNode *NameLeaf(int kind, const ParseValue &token) { return setAlpha(makeNode(kind, &token), token.alpha); }

SyntaxNode *NewExternNode(CountedList *used)
{
    SyntaxNode *node = makeNode(EXTERN, nullptr);
    node->alpha = reinterpret_cast<_AlphaType *>(used);
    externNodes.push_back(node);
    return node;
}

SyntaxNode *NewNode1(int kind, const ParseValue *token, SyntaxNode *first)
{
    SyntaxNode *node = makeNode(kind, token);
    node->child = first;
    return node;
}

SyntaxNode *NewNode2(int kind, const ParseValue *token, SyntaxNode *a, SyntaxNode *b)
{
    // Two children, the common case, without the general loop.
    SyntaxNode *node = makeNode(kind, token);
    if (a && b) hangAfter(a, endOfChain(a), b);
    node->child = a ? a : b;
    return node;
}

SyntaxNode *NewNode3(int kind, const ParseValue *token, SyntaxNode *a, SyntaxNode *b, SyntaxNode *c)
{
    return hangChildren(makeNode(kind, token), {a, b, c});
}

SyntaxNode *NewNode4(int kind, const ParseValue *token, SyntaxNode *a, SyntaxNode *b, SyntaxNode *c, SyntaxNode *d)
{
    return hangChildren(makeNode(kind, token), {a, b, c, d});
}

SyntaxNode *AddChildren(SyntaxNode *node, SyntaxNode *a, SyntaxNode *b)
{
    if (!node) nullParent();
    return hangChildren(node, {node->child, a, b});
}

SyntaxNode *AddChild(SyntaxNode *node, SyntaxNode *list)
{
    if (!node) nullParent();
    if (list) node->child = AppendSiblings(node->child, list);
    return node;
}

SyntaxNode *AppendSiblings(SyntaxNode *a, SyntaxNode *b)
{
    if (!a) return b;
    if (!b) return a;
    if (a == cachedHead && cachedTail) cachedTail->next = b;
    else moveCacheTo(a)->next = b;
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
    if (!node) nullAlphaTarget();
    return setAlpha(node, alpha);
}

SyntaxNode *SetDeclarationEnd(SyntaxNode *node, const ParseValue *token, bool withSiblings)
{
    if (!node || !token) return node;
    const NodePosition end = token->position;
    std::vector<SyntaxNode *> &stack = walkStack;
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
    if (bulkRelease && slabsInUse <= kDeferringSlabs) return;
    // A leaf, as most dropped parts are, needs no walk.
    if (node->child) freeSubtree(node);
    else releaseNode(node);
}

void SetBulkRelease(bool on) { bulkRelease = on; }

void ReleaseAllNodes()
{
    freeExternLists();
    parked.clear();
    cachedHead = nullptr;
    cachedTail = nullptr;
    forgetNodes();
}

void ReleaseNodeStorage()
{
    // A parse left by a jump leaves chains parked: they go with the storage.
    ReleaseAllNodes();
    for (const NodeSlab &slab : nodeSlabs) releaseBlock(slab.block);
    std::vector<NodeSlab>().swap(nodeSlabs);
    std::vector<SyntaxNode *>().swap(externNodes);
    ForgetPlaces();
}

void ResetAppendCache()
{
    cachedHead = nullptr;
    cachedTail = nullptr;
    unparkFrom(0);
}
