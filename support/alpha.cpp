// The identifier table: one entry per distinct text, found again by a hash
// of its bytes, and the counted list of (item, occurrences) cells.
//
// Open addressing: an array of eight-byte slots, each holding an entry's
// address and sixteen bits of its text's hash, so that a lookup walks a
// short run of slots and reads an entry only when the hash bits match; half
// a megabyte of slots covers a typical run's tens of thousands of texts and
// stays in cache. The slots form buckets of four; the table starts with 250
// buckets and doubles once the entries outnumber twice the buckets, so at
// most half of the slots are in use. A text's first slot is its hash scaled
// to the slot count; the run goes on to the next slot, wrapping at the end.
// Entries never move: only the slots that point to them do.
#include "support/alpha.h"
#include "support/alpha_testing.h"

#include "support/machine.h"

#include <cstring>
#include <utility>

// Entries are carved out of blocks in order of creation: a parse interns
// hundreds of thousands of texts, and one allocation each (then one release
// each) costs more than the lookups. A block starts with the link to the
// block made before it.
struct EntryBlock {
    EntryBlock *previous;
};

// The entry's address in the low 48 bits, 16 bits of the text's hash above;
// 0 marks a free slot.
struct AlphaSlot {
    uint64_t word;
};

struct AlphaTable {
    AlphaSlot *slotArray;  // aligned to a cache line inside slotStorage
    void *slotStorage;
    uint32_t slotCount;
    std::size_t entryCount;
    EntryBlock *blocks;  // newest first; entries of a reset table stay here
    char *blockFree;     // unused room of the newest block
    std::size_t blockLeft;
};

namespace {

constexpr uint32_t kInitialBuckets = 250;
constexpr uint32_t kSlotsPerBucket = 4;
constexpr std::size_t kCacheLine = 64;
// User-space addresses fit 48 bits; the hash bits go above them.
constexpr uint64_t kAddressMask = (uint64_t(1) << 48) - 1;
// A doubled count from here on would not fit 32 bits.
constexpr uint32_t kMostSlots = 1u << 31;
constexpr std::size_t kBlockBytes = 64 * 1024;
// Larger entries get a block of their own, so little room is wasted.
constexpr std::size_t kLargeEntryBytes = kBlockBytes / 8;

AlphaTable processTable = {};
unsigned processGeneration = 0;

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the hash reads words in little-endian order");

uint64_t loadWord(const char *bytes)
{
    uint64_t word;
    std::memcpy(&word, bytes, 8);
    return word;
}

// The last one to seven bytes as a little-endian word padded with zeros,
// read by fixed-size loads: a copy of variable length goes through the
// library and stalls the load of its result.
uint64_t loadTail(const char *bytes, std::size_t count)
{
    if (count >= 4) {
        uint32_t low, high;
        std::memcpy(&low, bytes, 4);
        std::memcpy(&high, bytes + count - 4, 4);
        return low | (static_cast<uint64_t>(high) << (8 * (count - 4)));
    }
    uint64_t word = static_cast<unsigned char>(bytes[0]);
    if (count > 1) word |= static_cast<uint64_t>(static_cast<unsigned char>(bytes[1])) << 8;
    if (count > 2) word |= static_cast<uint64_t>(static_cast<unsigned char>(bytes[2])) << 16;
    return word;
}

// Eight bytes at a time, each word folded in by a multiplication (one-to-one
// for a given state), then a final avalanche so that every bit of the text
// reaches the high bits that pick the first slot.
uint32_t textHash(const char *text, uint32_t length)
{
    uint64_t hash = 0x9E3779B97F4A7C15u ^ length;
    std::size_t i = 0;
    for (; i + 8 <= length; i += 8) hash = (hash ^ loadWord(text + i)) * 0xFF51AFD7ED558CCDu;
    if (i < length) hash = (hash ^ loadTail(text + i, length - i)) * 0xFF51AFD7ED558CCDu;
    hash ^= hash >> 33;
    hash *= 0xC4CEB9FE1A85EC53u;
    hash ^= hash >> 33;
    return static_cast<uint32_t>(hash ^ (hash >> 32));
}

uint32_t firstSlot(uint32_t hash, uint32_t slotCount)
{
    return static_cast<uint32_t>((static_cast<uint64_t>(hash) * slotCount) >> 32);
}

uint64_t tagOf(uint32_t hash) { return static_cast<uint64_t>(hash & 0xFFFFu) << 48; }

_AlphaType *entryOf(AlphaSlot slot) { return reinterpret_cast<_AlphaType *>(slot.word & kAddressMask); }

// Zeroed, cache-line aligned slots.
void setSlots(AlphaTable *table, uint32_t slotCount)
{
    table->slotStorage = allocZeroed(slotCount * sizeof(AlphaSlot) + kCacheLine);
    const auto address = reinterpret_cast<std::uintptr_t>(table->slotStorage);
    table->slotArray = reinterpret_cast<AlphaSlot *>((address + kCacheLine - 1) & ~std::uintptr_t(kCacheLine - 1));
    table->slotCount = slotCount;
}

void setEmptySlots(AlphaTable *table)
{
    setSlots(table, kInitialBuckets * kSlotsPerBucket);
    table->entryCount = 0;
}

AlphaTable *tableOrProcess(AlphaTable *table)
{
    if (table) return table;
    if (!processTable.slotArray) setEmptySlots(&processTable);
    return &processTable;
}

uint32_t walkedFrom(uint32_t first, uint32_t at, uint32_t slotCount)
{
    return at >= first ? at - first : at + slotCount - first;
}

// Puts the slot into the run that starts at its hash's first slot, in Robin
// Hood order: a slot that has walked further than the one it meets takes
// that one's place, and the one displaced walks on. Lookups stay as they are;
// only the longest walk becomes short.
void placeSlot(AlphaTable *table, AlphaSlot incoming)
{
    uint32_t at = firstSlot(entryOf(incoming)->hash, table->slotCount);
    uint32_t walked = 0;
    for (;;) {
        AlphaSlot &slot = table->slotArray[at];
        if (slot.word == 0) {
            slot = incoming;
            return;
        }
        const uint32_t residentWalked =
            walkedFrom(firstSlot(entryOf(slot)->hash, table->slotCount), at, table->slotCount);
        if (residentWalked < walked) {
            std::swap(slot, incoming);
            walked = residentWalked;
        }
        ++walked;
        if (++at == table->slotCount) at = 0;
    }
}

void growTable(AlphaTable *table)
{
    if (table->slotCount >= kMostSlots) {
        reportInternal(translateText("Internal Error", "Too many texts for the identifier table"));
    }
    const AlphaSlot *const oldSlots = table->slotArray;
    void *const oldStorage = table->slotStorage;
    const uint32_t oldCount = table->slotCount;
    setSlots(table, 2 * oldCount);
    for (uint32_t i = 0; i < oldCount; ++i) {
        if (oldSlots[i].word != 0) placeSlot(table, oldSlots[i]);
    }
    releaseBlock(oldStorage);
}

char *newBlock(AlphaTable *table, std::size_t room)
{
    auto *block = static_cast<EntryBlock *>(allocZeroed(sizeof(EntryBlock) + room));
    block->previous = table->blocks;
    table->blocks = block;
    return reinterpret_cast<char *>(block + 1);
}

// Zeroed room for one entry, aligned for the entry.
void *entryRoom(AlphaTable *table, std::size_t size)
{
    size = (size + alignof(_AlphaType) - 1) & ~(alignof(_AlphaType) - 1);
    if (size > kLargeEntryBytes) return newBlock(table, size);
    if (table->blockLeft < size) {
        table->blockFree = newBlock(table, kBlockBytes);
        table->blockLeft = kBlockBytes;
    }
    void *room = table->blockFree;
    table->blockFree += size;
    table->blockLeft -= size;
    return room;
}

// The entry and its text share one piece of a block.
_AlphaType *newEntry(AlphaTable *table, const char *text, uint32_t length)
{
    auto *entry = static_cast<_AlphaType *>(entryRoom(table, sizeof(_AlphaType) + length + 1));
    entry->text = reinterpret_cast<char *>(entry + 1);
    std::memcpy(entry->text, text, length);
    entry->length = length;
    return entry;
}

// Word by word, like the hash: most texts are a few bytes long, and a
// library comparison per lookup costs more than the comparison itself.
bool sameBytes(const char *a, const char *b, std::size_t length)
{
    std::size_t i = 0;
    for (; i + 8 <= length; i += 8)
        if (loadWord(a + i) != loadWord(b + i)) return false;
    return i == length || loadTail(a + i, length - i) == loadTail(b + i, length - i);
}

_AlphaType *addEntry(AlphaTable *table, uint32_t hash, const char *text, uint32_t length)
{
    _AlphaType *entry = newEntry(table, text, length);
    entry->hash = hash;
    const auto address = reinterpret_cast<std::uintptr_t>(entry);
    if (address & ~kAddressMask) reportInternal(translateText("Internal Error", "Entry address out of range"));
    placeSlot(table, {address | tagOf(hash)});
    if (++table->entryCount > table->slotCount / 2) growTable(table);
    return entry;
}

// The run of slots from the hash's first slot holds the text's entry, or
// the text is new.
_AlphaType *findOrAdd(AlphaTable *table, uint32_t hash, const char *text, uint32_t size)
{
    AlphaSlot *slot = table->slotArray + firstSlot(hash, table->slotCount);
    AlphaSlot *const end = table->slotArray + table->slotCount;
    const uint64_t tag = tagOf(hash);
    for (; slot->word != 0; slot = slot + 1 == end ? table->slotArray : slot + 1) {
        if ((slot->word & ~kAddressMask) != tag) continue;
        _AlphaType *entry = entryOf(*slot);
        if (entry->length == size && sameBytes(entry->text, text, size)) return entry;
    }
    return addEntry(table, hash, text, size);
}

}  // namespace

_AlphaType *FindOrAddAlphaN(const char *text, std::size_t length, AlphaTable *table)
{
    if (!text || length == 0) return nullptr;
    if (length > UINT32_MAX) {
        reportInternal(translateText("Internal Error", "Text too long for the identifier table"));
    }
    const auto size = static_cast<uint32_t>(length);
    table = tableOrProcess(table);
    return findOrAdd(table, textHash(text, size), text, size);
}

_AlphaType *FindOrAddAlpha(const char *text, AlphaTable *table)
{
    if (!text) return nullptr;
    return FindOrAddAlphaN(text, std::strlen(text), table);
}

void ResetAlphaTable(AlphaTable **holder)
{
    if (holder) {
        *holder = static_cast<AlphaTable *>(allocZeroed(sizeof(AlphaTable)));
        setEmptySlots(*holder);
        return;
    }
    // Entries already handed out stay valid until the table is freed: they
    // are merely forgotten.
    ++processGeneration;
    releaseBlock(processTable.slotStorage);
    setEmptySlots(&processTable);
}

unsigned AlphaTableGeneration() { return processGeneration; }

void VisitAlphas(void (*visit)(_AlphaType *entry, void *context), void *context)
{
    const AlphaTable *table = tableOrProcess(nullptr);
    for (uint32_t i = 0; i < table->slotCount; ++i) {
        if (table->slotArray[i].word != 0) visit(entryOf(table->slotArray[i]), context);
    }
}

void FreeAlphaTable(AlphaTable *table)
{
    AlphaTable *target = table ? table : &processTable;
    if (!table) ++processGeneration;
    for (EntryBlock *block = target->blocks; block;) {
        EntryBlock *previous = block->previous;
        releaseBlock(block);
        block = previous;
    }
    releaseBlock(target->slotStorage);
    if (table) {
        releaseBlock(table);
    } else {
        // Left empty rather than dangling, so a later lookup starts afresh.
        processTable = AlphaTable{};
    }
}

unsigned AlphaBucketCount(AlphaTable *table) { return tableOrProcess(table)->slotCount / kSlotsPerBucket; }

unsigned AlphaLongestChain(AlphaTable *table)
{
    const AlphaTable *t = tableOrProcess(table);
    unsigned longest = 0;
    for (uint32_t i = 0; i < t->slotCount; ++i) {
        if (t->slotArray[i].word == 0) continue;
        const uint32_t first = firstSlot(entryOf(t->slotArray[i])->hash, t->slotCount);
        const unsigned walked = walkedFrom(first, i, t->slotCount) + 1;
        if (walked > longest) longest = walked;
    }
    return longest;
}

int AddCounted(CountedList **head, void *item)
{
    CountedList **link = head;
    for (; *link; link = &(*link)->next) {
        if ((*link)->item == item) return ++(*link)->count;
    }
    auto *cell = static_cast<CountedList *>(allocZeroed(sizeof(CountedList)));
    cell->item = item;
    cell->count = 1;
    *link = cell;
    return 1;
}

CountedListBuilder::CountedListBuilder(CountedList **head) : tail_(head)
{
    for (; *tail_; tail_ = &(*tail_)->next) cells_.emplace((*tail_)->item, *tail_);
}

int CountedListBuilder::add(void *item)
{
    auto known = cells_.find(item);
    if (known != cells_.end()) return ++known->second->count;
    AddCounted(tail_, item);  // the tail slot is empty: no walk
    cells_.emplace(item, *tail_);
    tail_ = &(*tail_)->next;
    return 1;
}

CountedList *FreeCountedList(CountedList *head)
{
    while (head) {
        CountedList *next = head->next;
        releaseBlock(head);
        head = next;
    }
    return nullptr;
}
