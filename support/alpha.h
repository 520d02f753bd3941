// The process-wide identifier table ("alphas"): every kept text is interned
// once and stands for itself by identity. Also the counted list.
#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>

struct CountedList;

struct _AlphaType {
    char *text;       // NUL-terminated, owned by the entry
    uint32_t length;  // bytes, terminator not counted
    uint32_t flags;   // property bits below, 0 at creation
    // Set by the Halstead pass to its own mark when it first counts the
    // entry as an operand of the file it scans.
    uint32_t passMark;
    uint32_t hash;  // the table's own: places the entry again when the table grows
};

// Flag bits of an entry.
enum : uint32_t {
    ALPHA_TYPEDEF = 0x00000001u,           // names a typedef: the scanner returns TYPE_NAME
    ALPHA_FUNCTION_TYPEDEF = 0x00000002u,  // the typedef names a function type
    ALPHA_DROP_EARLY = 0x00000100u,        // type_modifier pragma; also part of the extension index
    ALPHA_DROP_LATE = 0x00000200u,         // accept pragma without code
    ALPHA_ACCEPT_CODE = 0x00000400u,       // has an accept code
    ALPHA_ACCEPT_SEQUENCE = 0x00000800u,   // opens a lexically accepted sequence
    ALPHA_REDUCE_MASK = 0x00007000u,       // three-bit reduce field
    ALPHA_REDUCE_IDENT = 0x00001000u,
    ALPHA_REDUCE_TYPENAME = 0x00002000u,
    ALPHA_REDUCE_NULL = 0x00003000u,
    ALPHA_REDUCE_EMPTY = 0x00004000u,
    ALPHA_REDUCE_CODE = 0x00005000u,
    ALPHA_SKIP_BRACES = 0x00008000u,  // fctreduce: skip the braced group that follows
    ALPHA_SPECIAL = 0x00010000u,      // special extension, index in bits 8 to 15
    ALPHA_USED = 0x10000000u,         // used as a primary expression
};

inline unsigned alphaSpecialIndex(const _AlphaType *a) { return (a->flags >> 8) & 0xFFu; }

struct AlphaTable;  // slot array; opaque outside the table module

// Returns the entry for the text, creating it; null for a null or empty text.
// A null table means the process-wide table.
_AlphaType *FindOrAddAlpha(const char *text, AlphaTable *table = nullptr);
// Same, for a text of known length (the text need not be NUL-terminated and
// must not contain NUL bytes).
_AlphaType *FindOrAddAlphaN(const char *text, std::size_t length, AlphaTable *table = nullptr);

// With no holder: empties the process-wide table. With a holder: a fresh private table.
void ResetAlphaTable(AlphaTable **holder = nullptr);
// Frees every entry; a private table is freed as well, the process-wide one
// is left empty (a later lookup starts a fresh table).
void FreeAlphaTable(AlphaTable *table = nullptr);
// Calls visit for every entry of the process-wide table, in no set order.
void VisitAlphas(void (*visit)(_AlphaType *entry, void *context), void *context);
// Changes whenever the process-wide table is emptied or freed, so that a
// cache of its entries can tell that they are no longer the table's.
unsigned AlphaTableGeneration();

struct CountedList {
    void *item;     // in practice an _AlphaType entry; never owned
    int32_t count;  // at least 1
    CountedList *next;
};

// Adds one occurrence of item (pointer identity) and returns its new count;
// a new item is appended at the end.
int AddCounted(CountedList **head, void *item);
// Frees every cell (not the items) and returns an empty list.
CountedList *FreeCountedList(CountedList *head);

// AddCounted for a list that grows by many items: the same cells and counts,
// each item found by an index instead of a walk of the list. Appends after
// what the list already holds; the list must not change otherwise meanwhile.
class CountedListBuilder {
public:
    explicit CountedListBuilder(CountedList **head);
    int add(void *item);

private:
    CountedList **tail_;
    std::unordered_map<const void *, CountedList *> cells_;
};
