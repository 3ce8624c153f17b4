#include <gtest/gtest.h>
#include <sys/mman.h>

#include <cstdint>
#include <limits>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "data/TaggedSlots.h"
#include "data/ValuePool.h"

namespace {

constexpr std::int64_t kInlineLimit = std::int64_t{1} << 30;

// Integers on both sides of the edge between integers held in the id and interned ones.
const std::vector<std::int64_t> kEdgeIntegers = {
    std::numeric_limits<std::int64_t>::min(),
    -kInlineLimit - 1,
    -kInlineLimit,
    -kInlineLimit + 1,
    -1,
    0,
    1,
    kInlineLimit - 1,
    kInlineLimit,
    kInlineLimit + 1,
    std::int64_t{1} << 34,
    std::numeric_limits<std::int64_t>::max(),
};

TEST(ValuePoolIntegers, KeepTheirValueOnBothSidesOfTheInlineEdge) {
    ValuePool pool;
    std::set<ValueId> ids;
    for (const std::int64_t value : kEdgeIntegers) {
        const ValueId id = pool.internInteger(value);
        EXPECT_TRUE(ValuePool::isInteger(id)) << value;
        EXPECT_EQ(pool.integerValue(id), value);
        EXPECT_EQ(pool.internInteger(value), id) << value;
        std::string text;
        pool.appendText(id, text);
        EXPECT_EQ(text, std::to_string(value));
        ids.insert(id);
    }
    EXPECT_EQ(ids.size(), kEdgeIntegers.size());
    EXPECT_FALSE(ValuePool::isInteger(pool.internString("")));
}

TEST(ValuePoolIntegers, CompareByValueAcrossTheInlineEdge) {
    ValuePool pool;
    for (const std::int64_t left : kEdgeIntegers) {
        for (const std::int64_t right : kEdgeIntegers) {
            const ValueId a = pool.internInteger(left);
            const ValueId b = pool.internInteger(right);
            EXPECT_EQ(pool.compare(a, Comparison::Less, b), left < right) << left << " " << right;
            EXPECT_EQ(pool.compare(a, Comparison::GreaterEqual, b), left >= right);
            EXPECT_EQ(pool.compare(a, Comparison::Equal, b), left == right);
        }
    }
}

std::string numberedText(std::int64_t i) {
    std::string text = "s";
    text += std::to_string(i);
    return text;
}

// Many values make the tables grow several times; each value must still be found under its id,
// in a pool of one shard and of several.
TEST(ValuePoolInterning, ManyValuesSurviveGrowth) {
    for (const unsigned shardBits : {0u, 3u, ValuePool::kMostShardBits}) {
        ValuePool pool(shardBits);
        std::vector<ValueId> integerIds;
        std::vector<ValueId> stringIds;
        for (std::int64_t i = 0; i < 100000; ++i) {
            integerIds.push_back(pool.internInteger((i << 32) + 7));
            stringIds.push_back(pool.internString(numberedText(i)));
        }
        EXPECT_EQ(std::set<ValueId>(integerIds.begin(), integerIds.end()).size(), 100000u);
        EXPECT_EQ(std::set<ValueId>(stringIds.begin(), stringIds.end()).size(), 100000u);
        for (std::int64_t i = 0; i < 100000; ++i) {
            ASSERT_EQ(pool.internInteger((i << 32) + 7), integerIds[i]) << shardBits;
            ASSERT_EQ(pool.integerValue(integerIds[i]), (i << 32) + 7) << shardBits;
            ASSERT_EQ(pool.internString(numberedText(i)), stringIds[i]) << shardBits;
            ASSERT_EQ(pool.stringValue(stringIds[i]), numberedText(i)) << shardBits;
        }
    }
}

// A loader interns each shard's values on a thread of its own: taking the shards one after the
// other, each shard's values in input order, gives every value the id that interning them in
// input order gives.
TEST(ValuePoolInterning, IdsDependOnlyOnTheOrderWithinEachShard) {
    std::vector<std::string> strings;
    std::vector<std::int64_t> integers;
    for (std::int64_t i = 0; i < 20000; ++i) {
        strings.push_back(numberedText(i % 7000 * 13));
        integers.push_back((i % 5000) << 33);
    }
    ValuePool inOrder(3);
    std::vector<ValueId> expectedStrings;
    std::vector<ValueId> expectedIntegers;
    for (std::size_t i = 0; i < strings.size(); ++i) {
        expectedStrings.push_back(inOrder.internString(strings[i]));
        expectedIntegers.push_back(inOrder.internInteger(integers[i]));
    }
    ValuePool byShard(3);
    for (std::size_t shard = byShard.shardCount(); shard-- > 0;) {
        for (std::size_t i = 0; i < strings.size(); ++i) {
            const std::uint32_t stringTag = ValuePool::stringTag(strings[i]);
            if (byShard.shardOf(stringTag) == shard) {
                EXPECT_EQ(byShard.internString(strings[i], stringTag), expectedStrings[i]);
            }
            const std::uint32_t integerTag = ValuePool::integerTag(integers[i]);
            if (byShard.shardOf(integerTag) == shard) {
                EXPECT_EQ(byShard.internInteger(integers[i], integerTag), expectedIntegers[i]);
            }
        }
    }
}

// Strings held whole in their entry and strings kept in the text, around the edge between them,
// with shared beginnings and equal lengths.
TEST(ValuePoolStrings, ShortAndLongStringsKeepTheirBytes) {
    const std::vector<std::string> values = {
        "",
        "a",
        "abcdefghijk",
        "abcdefghijkl",
        "abcdefghijklm",
        "abcdefghijkm",
        "abcdXXXXXXXXXXXXXXXX1",
        "abcdXXXXXXXXXXXXXXXX2",
        "abceXXXXXXXXXXXXXXXX1",
        std::string(1000, 'z'),
        std::string("nul\0inside", 11),
        "\xE9t\xE9",
    };
    ValuePool pool;
    std::vector<ValueId> ids;
    for (const std::string& value : values) ids.push_back(pool.internString(value));
    for (std::size_t i = 0; i < values.size(); ++i) {
        EXPECT_EQ(pool.stringValue(ids[i]), values[i]);
        EXPECT_EQ(pool.internString(values[i]), ids[i]) << values[i];
        for (std::size_t j = 0; j < i; ++j) EXPECT_NE(ids[i], ids[j]) << values[i];
        std::string text;
        pool.appendText(ids[i], text);
        EXPECT_EQ(text, "'" + values[i] + "'");
    }
    EXPECT_TRUE(pool.compare(ids[6], Comparison::Less, ids[7]));
    EXPECT_TRUE(pool.compare(ids[3], Comparison::Less, ids[4]));
}

// A string whose length does not fit the entry's 32 bits is refused, not cut short. The bytes
// are mapped but never read.
TEST(ValuePoolStrings, RefusesStringsLongerThanFourGibibytes) {
    const std::size_t length = (std::size_t{1} << 32) + 1;
    void* bytes =
        mmap(nullptr, length, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    ASSERT_NE(bytes, MAP_FAILED);
    ValuePool pool;
    const std::string_view huge(static_cast<const char*>(bytes), length);
    EXPECT_THROW(pool.internString(huge, 0), std::length_error);
    munmap(bytes, length);
}

// Colliding tags (all entries share one) must still tell entries apart, before and after growth
// and after renumbering.
TEST(TaggedSlotsTable, FindsEveryEntryWhenAllTagsCollide) {
    constexpr std::size_t kEntries = 300;
    std::vector<std::size_t> keyOf;  // entry number -> key
    TaggedSlots slots;
    const auto tagOf = [](std::size_t) { return std::uint32_t{0xABCD1234u}; };
    for (std::size_t key = 0; key < kEntries; ++key) {
        const std::size_t slot =
            slots.find(tagOf(0), [&](std::size_t number) { return keyOf[number] == key; });
        ASSERT_EQ(slots.numberAt(slot), TaggedSlots::kNone);
        keyOf.push_back(key);
        slots.fill(slot, tagOf(0), key, tagOf);
    }
    for (std::size_t key = 0; key < kEntries; ++key) {
        const std::size_t slot =
            slots.find(tagOf(0), [&](std::size_t number) { return keyOf[number] == key; });
        EXPECT_EQ(slots.numberAt(slot), key);
    }
    // Swap the numbers of the first two entries.
    const std::size_t first = slots.find(tagOf(0), [](std::size_t number) { return number == 0; });
    const std::size_t second = slots.find(tagOf(0), [](std::size_t number) { return number == 1; });
    slots.renumber(first, 1);
    slots.renumber(second, 0);
    std::swap(keyOf[0], keyOf[1]);
    const std::size_t found =
        slots.find(tagOf(0), [&](std::size_t number) { return keyOf[number] == 0; });
    EXPECT_EQ(slots.numberAt(found), 1u);
}

}  // namespace
