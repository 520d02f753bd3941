// The identifier table: one entry per distinct text, found again by a hash
// of its bytes, and the counted list of (item, occurrences) cells.
//
// Each bucket chain is kept in ascending order of length, entries of equal
// length in order of insertion. The table starts with 250 buckets chosen by
// the lane-XOR hash. That hash alone cannot keep a large table fast: texts
// such as name_0 ... name_999999 share only some fifty thousand values, so no
// number of buckets would separate them. Once the entries outnumber twice
// the buckets, the array doubles and every bucket splits in two by one more
// bit of a second, stronger hash of the text (kept in the entry): bucket b
// of a table of 250 * 2^k buckets holds the entries with base bucket
// b mod 250 and split bits b / 250. Relinking each old chain in order keeps
// both halves in the same (length, age) order, and a table below 500
// entries is exactly the plain 250-bucket table. Entries never move.
#include "support/alpha.h"
#include "support/alpha_testing.h"

#include "support/machine.h"

#include <cstring>

// Entries are carved out of blocks in order of creation: a parse interns
// hundreds of thousands of texts, and one allocation each (then one release
// each) costs more than the lookups. A block starts with the link to the
// block made before it.
struct EntryBlock {
    EntryBlock *previous;
};

struct AlphaTable {
    _AlphaType **heads;
    uint32_t bucketCount;
    std::size_t entryCount;
    EntryBlock *blocks;  // newest first; entries of a reset table stay here
    char *blockFree;     // unused room of the newest block
    std::size_t blockLeft;
    // The entry last found per value of the split hash's low bits: names
    // recur within a few lines, and a hit here skips the bucket chain.
    _AlphaType *recent[1024];
};

namespace {

constexpr uint32_t kInitialBuckets = 250;
constexpr std::size_t kBlockBytes = 64 * 1024;
// Larger entries get a block of their own, so little room is wasted.
constexpr std::size_t kLargeEntryBytes = kBlockBytes / 8;

AlphaTable processTable = {};
unsigned processGeneration = 0;

struct TextHash {
    uint32_t base;   // lane-XOR hash: picks one of the 250 base buckets
    uint32_t split;  // a multiplicative mix: picks the part of a base bucket in a grown table
};

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the lane hash reads words in little-endian order");

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

// Both hashes take eight bytes at a time: the lane XOR of an eight-byte
// little-endian word is the XOR of its two halves; the split hash folds each
// word in by a multiplication (one-to-one for a given state).
TextHash hashText(const char *text, std::size_t length)
{
    uint64_t lanes = 0;
    uint64_t split = 0x9E3779B97F4A7C15u ^ length;
    std::size_t i = 0;
    for (; i + 8 <= length; i += 8) {
        const uint64_t word = loadWord(text + i);
        lanes ^= word;
        split = (split ^ word) * 0xFF51AFD7ED558CCDu;
    }
    if (i < length) {
        const uint64_t word = loadTail(text + i, length - i);
        lanes ^= word;
        split = (split ^ word) * 0xFF51AFD7ED558CCDu;
    }
    // Final avalanche, so that every bit of the text reaches the low bits
    // that pick the split.
    split ^= split >> 33;
    split *= 0xC4CEB9FE1A85EC53u;
    split ^= split >> 33;
    const auto base = static_cast<uint32_t>(lanes) ^ static_cast<uint32_t>(lanes >> 32);
    return {0x4A4A4A4Au ^ base, static_cast<uint32_t>(split) ^ static_cast<uint32_t>(split >> 32)};
}

uint32_t bucketOf(uint32_t base, uint32_t split, uint32_t bucketCount)
{
    const uint32_t splitMask = bucketCount / kInitialBuckets - 1;
    return base % kInitialBuckets + kInitialBuckets * (split & splitMask);
}

void setEmptyBuckets(AlphaTable *table)
{
    table->heads = static_cast<_AlphaType **>(allocZeroed(kInitialBuckets * sizeof(_AlphaType *)));
    table->bucketCount = kInitialBuckets;
    table->entryCount = 0;
    std::memset(table->recent, 0, sizeof table->recent);
}

AlphaTable *tableOrProcess(AlphaTable *table)
{
    if (table) return table;
    if (!processTable.heads) setEmptyBuckets(&processTable);
    return &processTable;
}

// Splits every chain b into b and b + old count; walking each old chain in
// order and appending to the two halves keeps their (length, age) order.
void growTable(AlphaTable *table)
{
    const uint32_t oldCount = table->bucketCount;
    const uint32_t splitBit = oldCount / kInitialBuckets;
    auto **heads = static_cast<_AlphaType **>(allocZeroed(2 * std::size_t(oldCount) * sizeof(_AlphaType *)));
    for (uint32_t b = 0; b < oldCount; ++b) {
        _AlphaType **lowTail = &heads[b];
        _AlphaType **highTail = &heads[b + oldCount];
        for (_AlphaType *entry = table->heads[b]; entry; entry = entry->next) {
            _AlphaType **&tail = (entry->splitHash & splitBit) ? highTail : lowTail;
            *tail = entry;
            tail = &entry->next;
        }
        *lowTail = nullptr;
        *highTail = nullptr;
    }
    releaseBlock(table->heads);
    table->heads = heads;
    table->bucketCount = 2 * oldCount;
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
_AlphaType *newEntry(AlphaTable *table, const char *text, uint32_t length, uint32_t splitHash)
{
    auto *entry = static_cast<_AlphaType *>(entryRoom(table, sizeof(_AlphaType) + length + 1));
    entry->text = reinterpret_cast<char *>(entry + 1);
    std::memcpy(entry->text, text, length);
    entry->length = length;
    entry->splitHash = splitHash;
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

bool sameText(const _AlphaType *entry, const char *text, uint32_t length, uint32_t splitHash)
{
    return entry->splitHash == splitHash && entry->text[0] == text[0] && sameBytes(entry->text, text, length);
}

// The bucket chain's entry for the text, created in its place when missing.
_AlphaType *findOrAddInChain(AlphaTable *table, const char *text, uint32_t size, TextHash hash)
{
    _AlphaType **link = &table->heads[bucketOf(hash.base, hash.split, table->bucketCount)];
    while (*link && (*link)->length < size) link = &(*link)->next;
    while (*link && (*link)->length == size) {
        if (sameText(*link, text, size, hash.split)) return *link;
        link = &(*link)->next;
    }
    _AlphaType *entry = newEntry(table, text, size, hash.split);
    entry->next = *link;
    *link = entry;
    if (++table->entryCount > 2 * static_cast<std::size_t>(table->bucketCount) && table->bucketCount < (1u << 31)) {
        growTable(table);
    }
    return entry;
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
    const TextHash hash = hashText(text, length);
    _AlphaType *&recent = table->recent[hash.split % (sizeof table->recent / sizeof table->recent[0])];
    if (recent && recent->length == size && sameText(recent, text, size, hash.split)) return recent;
    recent = findOrAddInChain(table, text, size, hash);
    return recent;
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
        setEmptyBuckets(*holder);
        return;
    }
    // Entries already handed out stay valid until the table is freed: they
    // are merely forgotten.
    ++processGeneration;
    releaseBlock(processTable.heads);
    setEmptyBuckets(&processTable);
}

unsigned AlphaTableGeneration() { return processGeneration; }

void FreeAlphaTable(AlphaTable *table)
{
    AlphaTable *target = table ? table : &processTable;
    if (!table) ++processGeneration;
    for (EntryBlock *block = target->blocks; block;) {
        EntryBlock *previous = block->previous;
        releaseBlock(block);
        block = previous;
    }
    releaseBlock(target->heads);
    if (table) {
        releaseBlock(table);
    } else {
        // Left empty rather than dangling, so a later lookup starts afresh.
        processTable = AlphaTable{};
    }
}

unsigned AlphaBucketCount(AlphaTable *table) { return tableOrProcess(table)->bucketCount; }

_AlphaType *AlphaBucketHead(unsigned bucket, AlphaTable *table)
{
    AlphaTable *t = tableOrProcess(table);
    return bucket < t->bucketCount ? t->heads[bucket] : nullptr;
}

unsigned AlphaLongestChain(AlphaTable *table)
{
    AlphaTable *t = tableOrProcess(table);
    unsigned longest = 0;
    for (uint32_t b = 0; b < t->bucketCount; ++b) {
        unsigned length = 0;
        for (const _AlphaType *e = t->heads[b]; e; e = e->next) ++length;
        if (length > longest) longest = length;
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
