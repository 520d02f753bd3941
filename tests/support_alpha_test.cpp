// The identifier table and the counted list.
#include "support/alpha.h"
#include "support/alpha_testing.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

// The base bucket written out independently of the table: the lane-XOR hash
// picks one of 250 buckets (a grown table splits each of them further).
unsigned bucketOf(const std::string &text, unsigned buckets)
{
    uint32_t h = 0x4A4A4A4A;
    for (std::size_t i = 0; i < text.size(); ++i) h ^= uint32_t(uint8_t(text[i])) << (8 * (i % 4));
    return h % buckets;
}

std::vector<_AlphaType *> chain(unsigned bucket, AlphaTable *table)
{
    std::vector<_AlphaType *> entries;
    for (_AlphaType *e = AlphaBucketHead(bucket, table); e; e = e->next) entries.push_back(e);
    return entries;
}

// Texts of the given lengths that all fall into one bucket of a 250-bucket table.
std::vector<std::string> collidingTexts(const std::vector<std::size_t> &lengths, unsigned bucket)
{
    std::vector<std::string> found;
    for (std::size_t length : lengths) {
        for (unsigned n = 0;; ++n) {
            std::string text = "k" + std::to_string(n);
            text.resize(length, 'z');
            if (text.size() == length && bucketOf(text, 250) == bucket &&
                std::find(found.begin(), found.end(), text) == found.end()) {
                found.push_back(text);
                break;
            }
        }
    }
    return found;
}

class AlphaPrivateTable : public ::testing::Test {
protected:
    void SetUp() override { ResetAlphaTable(&table); }
    void TearDown() override { FreeAlphaTable(table); }
    AlphaTable *table = nullptr;
};

}  // namespace

TEST_F(AlphaPrivateTable, OneEntryPerTextWithItsOwnCopy)
{
    char buffer[] = "counter";
    _AlphaType *a = FindOrAddAlpha(buffer, table);
    ASSERT_NE(a, nullptr);
    buffer[0] = 'K';
    EXPECT_STREQ(a->text, "counter");
    EXPECT_EQ(a->length, 7u);
    EXPECT_EQ(a->flags, 0u);
    EXPECT_EQ(FindOrAddAlpha("counter", table), a);
    EXPECT_EQ(FindOrAddAlphaN("counters", 7, table), a);  // a prefix of a longer buffer
    EXPECT_NE(FindOrAddAlpha("Kounter", table), a);
    EXPECT_EQ(FindOrAddAlpha("", table), nullptr);
    EXPECT_EQ(FindOrAddAlpha(nullptr, table), nullptr);
    EXPECT_EQ(FindOrAddAlphaN("abc", 0, table), nullptr);
    EXPECT_EQ(AlphaLongestChain(table), 1u);  // the empty texts created nothing
}

TEST_F(AlphaPrivateTable, ChainIsOrderedByLengthThenAge)
{
    const unsigned bucket = 17;
    // Interned longest first, then two of equal length, then a shorter one.
    std::vector<std::string> texts = collidingTexts({9, 6, 6, 4, 12, 6}, bucket);
    std::vector<_AlphaType *> entries;
    for (const std::string &t : texts) entries.push_back(FindOrAddAlpha(t.c_str(), table));

    std::vector<_AlphaType *> expected = {entries[3], entries[1], entries[2], entries[5], entries[0], entries[4]};
    EXPECT_EQ(chain(bucket, table), expected);
    for (std::size_t i = 0; i < texts.size(); ++i) EXPECT_EQ(FindOrAddAlpha(texts[i].c_str(), table), entries[i]);
}

TEST_F(AlphaPrivateTable, TextsDifferingInTheFirstByteAreDistinct)
{
    // Two texts of one bucket that differ only in their first byte: the first
    // byte only moves the low byte of the hash, so they must lie 250 apart.
    std::string a, b;
    for (int first = 1; first < 256 && a.empty(); ++first) {
        for (int other = first + 1; other < 256; ++other) {
            const std::string x = char(first) + std::string("_tail"), y = char(other) + std::string("_tail");
            if (bucketOf(x, 250) == bucketOf(y, 250)) {
                a = x;
                b = y;
                break;
            }
        }
    }
    ASSERT_FALSE(a.empty());
    _AlphaType *ea = FindOrAddAlpha(a.c_str(), table);
    _AlphaType *eb = FindOrAddAlpha(b.c_str(), table);
    EXPECT_NE(ea, eb);
    EXPECT_EQ(chain(bucketOf(a, 250), table), (std::vector<_AlphaType *>{ea, eb}));
    EXPECT_EQ(FindOrAddAlpha(b.c_str(), table), eb);
}

// Entries of every size share the table's storage: texts far longer than a
// storage block, and texts of every length around the entry alignment, keep
// their bytes and their identity among many others.
TEST_F(AlphaPrivateTable, TextsOfEverySizeKeepTheirBytes)
{
    std::vector<std::pair<std::string, _AlphaType *>> kept;
    for (std::size_t length = 1; length <= 40; ++length) {
        for (char c = 'a'; c <= 'z'; ++c) {
            std::string text(length, c);
            kept.emplace_back(text, FindOrAddAlpha(text.c_str(), table));
        }
    }
    for (std::size_t length : {8191u, 8192u, 100000u, 1000000u}) {
        std::string text(length, 'q');
        text[length / 2] = 'M';
        kept.emplace_back(text, FindOrAddAlphaN(text.data(), text.size(), table));
    }
    for (const auto &[text, entry] : kept) {
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(entry->length, text.size());
        EXPECT_EQ(std::string(entry->text), text);
        EXPECT_EQ(FindOrAddAlphaN(text.data(), text.size(), table), entry);
    }
}

// The bytes after the last full eight-byte word are hashed as well: texts of
// every length, with bytes above 0x7F, stand in the chain of their bucket.
TEST_F(AlphaPrivateTable, EveryTextLengthHashesToItsBucket)
{
    for (std::size_t length = 1; length <= 24; ++length) {
        std::string text;
        for (std::size_t i = 0; i < length; ++i) text += static_cast<char>(0x41 + (37 * i + 11 * length) % 190);
        _AlphaType *entry = FindOrAddAlphaN(text.data(), text.size(), table);
        const std::vector<_AlphaType *> entries = chain(bucketOf(text, 250), table);
        EXPECT_NE(std::find(entries.begin(), entries.end(), entry), entries.end()) << "length " << length;
    }
}

TEST_F(AlphaPrivateTable, GrowsOnlyPastTwiceTheBucketsAndKeepsOrder)
{
    std::map<_AlphaType *, int> age;
    auto add = [&](int n) {
        std::string text = "v" + std::to_string(n * 7919) + std::string(n % 3, 'x');
        _AlphaType *e = FindOrAddAlpha(text.c_str(), table);
        age.emplace(e, n);
    };
    for (int n = 0; n < 500; ++n) add(n);
    EXPECT_EQ(AlphaBucketCount(table), 250u);
    add(500);
    EXPECT_EQ(AlphaBucketCount(table), 500u);
    for (int n = 501; n < 5000; ++n) add(n);
    ASSERT_EQ(age.size(), 5000u);
    EXPECT_EQ(AlphaBucketCount(table), 4000u);

    std::size_t seen = 0;
    for (unsigned b = 0; b < AlphaBucketCount(table); ++b) {
        std::vector<_AlphaType *> entries = chain(b, table);
        for (std::size_t i = 0; i < entries.size(); ++i) {
            // A grown bucket is a part of its base bucket.
            EXPECT_EQ(bucketOf(entries[i]->text, 250), b % 250);
            if (i == 0) continue;
            _AlphaType *p = entries[i - 1], *e = entries[i];
            EXPECT_TRUE(p->length < e->length || (p->length == e->length && age[p] < age[e]))
                << p->text << " before " << e->text;
        }
        seen += entries.size();
    }
    EXPECT_EQ(seen, 5000u);
    for (auto &[entry, n] : age) EXPECT_EQ(FindOrAddAlpha(entry->text, table), entry);
}

TEST_F(AlphaPrivateTable, AMillionTextsStayFindableWithShortChains)
{
    std::vector<_AlphaType *> entries;
    entries.reserve(1000000);
    char text[32];
    for (int n = 0; n < 1000000; ++n) {
        int length = std::snprintf(text, sizeof text, "name_%d", n);
        entries.push_back(FindOrAddAlphaN(text, std::size_t(length), table));
    }
    EXPECT_GE(AlphaBucketCount(table), 500000u);
    // These texts share only about fifty thousand lane-XOR values; split by
    // the second hash no chain stays long. A fixed 250 buckets would hold
    // some four thousand entries each.
    EXPECT_LT(AlphaLongestChain(table), 20u);
    for (int n = 0; n < 1000000; n += 997) {
        std::snprintf(text, sizeof text, "name_%d", n);
        EXPECT_EQ(FindOrAddAlpha(text, table), entries[std::size_t(n)]);
    }
}

TEST(AlphaProcessTable, ResetAndFreeLeaveAUsableTable)
{
    ResetAlphaTable();
    EXPECT_EQ(AlphaBucketCount(), 250u);
    _AlphaType *a = FindOrAddAlpha("main");
    EXPECT_EQ(FindOrAddAlpha("main", nullptr), a);
    FreeAlphaTable();
    _AlphaType *b = FindOrAddAlpha("main");
    ASSERT_NE(b, nullptr);
    EXPECT_STREQ(b->text, "main");
    EXPECT_EQ(FindOrAddAlpha("main"), b);
    FreeAlphaTable();
}

// A reset table forgets its entries, also the ones it found last; they stay
// readable until the table is freed.
TEST(AlphaProcessTable, ResetForgetsRecentlyFoundEntries)
{
    ResetAlphaTable();
    _AlphaType *before = FindOrAddAlpha("recent");
    EXPECT_EQ(FindOrAddAlpha("recent"), before);
    ResetAlphaTable();
    _AlphaType *after = FindOrAddAlpha("recent");
    EXPECT_NE(after, before);
    EXPECT_STREQ(before->text, "recent");
    EXPECT_EQ(FindOrAddAlpha("recent"), after);
    FreeAlphaTable();
}

TEST(CountedList, CountsByIdentityInOrderOfFirstSight)
{
    int x, y, z;
    CountedList *list = nullptr;
    EXPECT_EQ(AddCounted(&list, &x), 1);
    EXPECT_EQ(AddCounted(&list, &y), 1);
    EXPECT_EQ(AddCounted(&list, &x), 2);
    EXPECT_EQ(AddCounted(&list, &x), 3);
    EXPECT_EQ(AddCounted(&list, &z), 1);
    std::vector<std::pair<void *, int>> cells;
    for (CountedList *c = list; c; c = c->next) cells.emplace_back(c->item, c->count);
    EXPECT_EQ(cells, (std::vector<std::pair<void *, int>>{{&x, 3}, {&y, 1}, {&z, 1}}));
    EXPECT_EQ(FreeCountedList(list), nullptr);
    EXPECT_EQ(FreeCountedList(nullptr), nullptr);
}

// The builder gives the list AddCounted gives, also after cells that were
// already there.
TEST(CountedList, BuilderMatchesAddCounted)
{
    int items[50];
    CountedList *byAdd = nullptr, *byBuilder = nullptr;
    AddCounted(&byAdd, &items[7]);
    AddCounted(&byBuilder, &items[7]);
    CountedListBuilder builder(&byBuilder);
    for (int k = 0; k < 1000; ++k) {
        void *item = &items[(k * k + 3 * k) % 50];
        EXPECT_EQ(builder.add(item), AddCounted(&byAdd, item)) << k;
    }
    std::vector<std::pair<void *, int>> expected, built;
    for (CountedList *c = byAdd; c; c = c->next) expected.emplace_back(c->item, c->count);
    for (CountedList *c = byBuilder; c; c = c->next) built.emplace_back(c->item, c->count);
    EXPECT_EQ(built, expected);
    FreeCountedList(byAdd);
    FreeCountedList(byBuilder);
}
