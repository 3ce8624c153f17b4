#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <thread>
#include <vector>

#include "data/TaggedSlots.h"

namespace {

// Spread tags, whose home slots still collide now and then, so that threads placing entries at
// once meet occupied slots.
std::uint32_t tagOf(std::size_t number) { return static_cast<std::uint32_t>(number * 2654435761u); }

// Runs each share on a thread of its own, all at once.
void runOnThreads(std::size_t count, const std::function<void(std::size_t)>& share) {
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < count; ++i) threads.emplace_back(share, i);
    for (std::thread& thread : threads) thread.join();
}

TEST(TaggedSlots, EntriesPlacedAgainBySeveralThreadsWhenGrowingAreAllFound) {
    TaggedSlots slots;
    std::size_t entries = 0;
    std::size_t runs = 0;
    const auto countingRunner = [&runs](std::size_t count,
                                        const std::function<void(std::size_t)>& share) {
        runs += count > 1 ? 1 : 0;
        runOnThreads(count, share);
    };
    // Steps of different sizes, so the table grows from a few entries to several shares' worth.
    for (const std::size_t step : {1, 7, 1000, 100000, 200000, 5}) {
        slots.reserveShared(step, tagOf, countingRunner);
        for (std::size_t n = entries; n < entries + step; ++n) slots.fillShared(tagOf(n), n);
        entries += step;
    }
    EXPECT_GE(runs, 1U) << "growing never used more than one share";
    for (std::size_t n = 0; n < entries; ++n) {
        const std::size_t slot =
            slots.find(tagOf(n), [n](std::size_t number) { return number == n; });
        ASSERT_EQ(slots.numberAt(slot), n);
    }
}

TEST(TaggedSlots, TableMadeForEntriesTakesThemWithoutGrowing) {
    for (const std::size_t entries : {0, 1, 8, 9, 1000, 100000}) {
        TaggedSlots slots(entries);
        const std::size_t capacity = slots.capacity();
        for (std::size_t n = 0; n < entries; ++n) {
            const std::size_t slot = slots.find(tagOf(n), [](std::size_t) { return false; });
            slots.fill(slot, tagOf(n), n, tagOf);
        }
        EXPECT_EQ(slots.capacity(), capacity) << entries;
        EXPECT_LE(capacity, 16 + 4 * entries) << entries;
    }
}

// Tables grow at half full up to 4 MiB of slots and at three quarters from there on: a table of
// half a million rows, a quarter of a run's memory, would otherwise take twice its room for a
// few rows more.
TEST(TaggedSlots, GrowsAtHalfFullAndFromFourMebibytesAtThreeQuarters) {
    TaggedSlots slots;
    std::vector<std::size_t> growths;  // entries taken when the table grew
    for (std::size_t n = 0; n < 1000000; ++n) {
        const std::size_t before = slots.capacity();
        const std::size_t slot = slots.find(tagOf(n), [](std::size_t) { return false; });
        slots.fill(slot, tagOf(n), n, tagOf);
        if (slots.capacity() != before) growths.push_back(n + 1);
    }
    const std::size_t quarterMillion = std::size_t{1} << 18;
    ASSERT_GE(growths.size(), std::size_t{4});
    // The last growths: to 2^19 and 2^20 slots at half full, to 2^21 at three quarters of 2^20.
    EXPECT_EQ(growths[growths.size() - 3], quarterMillion / 2 + 1);
    EXPECT_EQ(growths[growths.size() - 2], quarterMillion + 1);
    EXPECT_EQ(growths.back(), 3 * quarterMillion + 1);
    for (std::size_t n = 0; n < 1000000; n += 997) {
        EXPECT_NE(slots.numberAt(slots.find(tagOf(n), [n](std::size_t m) { return m == n; })),
                  TaggedSlots::kNone);
    }
    EXPECT_EQ(slots.capacity(), std::size_t{1} << 21);
}

}  // namespace
