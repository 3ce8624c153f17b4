#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "data/GrowingArray.h"

namespace {

// Growing from a small block into mapped pages and on, the contents must stay where they were.
TEST(GrowingArrayContents, SurviveGrowthPastTheMappedSizeAndMoves) {
    GrowingArray<std::uint64_t> items;
    constexpr std::uint64_t kCount = 600000;  // 4.8 MB: several remaps
    for (std::uint64_t i = 0; i < kCount; ++i) items.push_back(i * 3);
    const std::uint64_t tail[] = {7, 8, 9};
    items.append(tail, 3);
    ASSERT_EQ(items.size(), kCount + 3);
    GrowingArray<std::uint64_t> moved = std::move(items);
    EXPECT_TRUE(items.empty());
    for (std::uint64_t i = 0; i < kCount; ++i) ASSERT_EQ(moved[i], i * 3);
    EXPECT_EQ(moved.back(), 9u);
}

// Another thread makes the pages of room reserved ahead while this one reads the items: the room
// must be there, made or not, and the items stay where they are and as they were, small block or
// mapped.
TEST(GrowingArrayContents, RoomReservedAheadIsPopulatedInPlace) {
    for (const std::size_t count : {std::size_t{10}, std::size_t{300000}}) {
        GrowingArray<std::uint64_t> items;
        for (std::uint64_t i = 0; i < count; ++i) items.push_back(i);
        items.reserveMore(count * 3);
        ASSERT_GE(items.capacity(), count * 4);
        const std::uint64_t* before = items.data();
        items.populateRoom(count * 5);  // more than reserved: only the room there is
        items.populateRoom(0);
        EXPECT_EQ(items.data(), before);
        for (std::uint64_t i = 0; i < count * 3; ++i) items.push_back(count + i);
        EXPECT_EQ(items.data(), before);
        for (std::uint64_t i = 0; i < count * 4; ++i) ASSERT_EQ(items[i], i) << count;
    }
}

TEST(GrowingArrayContents, AssignZeroedGivesZerosOfAnySize) {
    GrowingArray<std::uint32_t> slots;
    for (const std::size_t size : {std::size_t{16}, std::size_t{1} << 19, std::size_t{32}}) {
        for (std::uint32_t& slot : slots) slot = 5;
        slots.assignZeroed(size);
        ASSERT_EQ(slots.size(), size);
        for (const std::uint32_t slot : slots) ASSERT_EQ(slot, 0u);
    }
}

// Rows and keys are appended a few values at a time, and probed batches dropped from the front
// while later ones wait: every length must land whole, in order, whatever came before.
TEST(GrowingArrayContents, AppendsOfEveryLengthAndDropsFromTheFront) {
    GrowingArray<std::uint32_t> items;
    std::vector<std::uint32_t> expected;
    std::uint32_t next = 0;
    for (int round = 0; round < 200; ++round) {
        for (std::size_t length = 0; length <= 9; ++length) {
            std::vector<std::uint32_t> values(length);
            for (std::uint32_t& value : values) value = next++;
            items.append(values.data(), length);
            expected.insert(expected.end(), values.begin(), values.end());
        }
        const std::size_t dropped = expected.size() / 3;
        items.dropFront(dropped);
        expected.erase(expected.begin(), expected.begin() + static_cast<std::ptrdiff_t>(dropped));
        ASSERT_EQ(std::vector<std::uint32_t>(items.begin(), items.end()), expected);
    }
    items.dropFront(items.size() + 1);
    EXPECT_TRUE(items.empty());
}

// A stored relation's cells give back their room once loaded, and may still grow after: from
// mapped pages to fewer mapped pages, from mapped pages to the heap, within the heap.
TEST(GrowingArrayContents, ShrinkToFitKeepsTheItemsAndGrowsAgain) {
    for (const std::size_t count : {std::size_t{0}, std::size_t{1000}, std::size_t{200000},
                                    std::size_t{700000}, std::size_t{1048577}}) {
        GrowingArray<std::uint32_t> items;
        for (std::uint32_t i = 0; i < count; ++i) items.push_back(i * 7);
        items.shrinkToFit();
        ASSERT_EQ(items.size(), count);
        EXPECT_EQ(items.capacity(), count);
        for (std::uint32_t i = 0; i < count; ++i) ASSERT_EQ(items[i], i * 7) << count;
        for (std::uint32_t i = 0; i < 300000; ++i) items.push_back(i);
        ASSERT_EQ(items.size(), count + 300000);
        for (std::uint32_t i = 0; i < count; ++i) ASSERT_EQ(items[i], i * 7) << count;
        EXPECT_EQ(items.back(), 299999u);
        items.clear();  // an array emptied, then done growing, gives back everything
        items.shrinkToFit();
        EXPECT_EQ(items.capacity(), 0u);
        items.push_back(5);
        EXPECT_EQ(items[0], 5u);
    }
}

}  // namespace
