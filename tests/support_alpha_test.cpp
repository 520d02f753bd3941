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

class AlphaPrivateTable : public ::testing::Test {
protected:
    void SetUp() override { ResetAlphaTable(&table); }
    void TearDown() override { FreeAlphaTable(table); }
    // Interns every text, then finds each again: one entry per text, all
    // distinct, each holding its own bytes.
    void expectOneEntryEach(const std::vector<std::string> &texts)
    {
        std::map<_AlphaType *, std::string> owner;
        for (const std::string &text : texts) {
            _AlphaType *entry = FindOrAddAlphaN(text.data(), text.size(), table);
            ASSERT_NE(entry, nullptr);
            EXPECT_TRUE(owner.emplace(entry, text).second) << "one entry for two texts: " << text;
        }
        for (const auto &[entry, text] : owner) {
            EXPECT_EQ(std::string(entry->text, entry->length), text);
            EXPECT_EQ(FindOrAddAlphaN(text.data(), text.size(), table), entry);
        }
    }
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

// Prefixes of one another and texts of equal length, interned longest first,
// shortest first and mixed.
TEST_F(AlphaPrivateTable, TextsOfManyLengthsAreFoundInAnyOrder)
{
    expectOneEntryEach({"abcdefghijkl", "abcdef", "abc", "abcdefghi", "a", "ab", "abcd", "abd", "abe", "b"});
    expectOneEntryEach({"x", "xy", "xyz", "xyzw", "xyzwv", "yx", "zx", "zxy"});
}

// Texts that differ only in their first byte, for every byte value.
TEST_F(AlphaPrivateTable, TextsDifferingInTheFirstByteAreDistinct)
{
    std::vector<std::string> texts;
    for (int first = 1; first < 256; ++first) texts.push_back(char(first) + std::string("_tail"));
    expectOneEntryEach(texts);
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

// Texts of every length up to three words, with bytes above 0x7F, that
// differ from one another in a single byte at any position, the bytes after
// the last full eight-byte word included.
TEST_F(AlphaPrivateTable, TextsDifferingInAnyOneByteAreDistinct)
{
    std::vector<std::string> texts;
    for (std::size_t length = 1; length <= 24; ++length) {
        std::string base;
        for (std::size_t i = 0; i < length; ++i) base += static_cast<char>(0x41 + (37 * i + 11 * length) % 190);
        texts.push_back(base);
        for (std::size_t at = 0; at < length; ++at) {
            std::string changed = base;
            changed[at] = static_cast<char>(changed[at] ^ 0x80);
            texts.push_back(changed);
        }
    }
    expectOneEntryEach(texts);
}

TEST_F(AlphaPrivateTable, GrowsOnlyPastTwiceTheBucketsAndKeepsEveryEntry)
{
    std::vector<std::string> texts;
    for (int n = 0; n < 5000; ++n) texts.push_back("v" + std::to_string(n * 7919) + std::string(n % 3, 'x'));
    for (int n = 0; n < 500; ++n) FindOrAddAlpha(texts[n].c_str(), table);
    EXPECT_EQ(AlphaBucketCount(table), 250u);
    FindOrAddAlpha(texts[500].c_str(), table);
    EXPECT_EQ(AlphaBucketCount(table), 500u);
    expectOneEntryEach(texts);
    EXPECT_EQ(AlphaBucketCount(table), 4000u);
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
