#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <functional>
#include <set>
#include <utility>
#include <vector>

#include "data/RelationPart.h"
#include "data/RowBitmap.h"

namespace {

using Pair = std::array<ValueId, 2>;

TEST(RowBitmap, CoversItsRangesAndNothingAroundThem) {
    const ValueId low[] = {10, 100};
    const ValueId high[] = {19, 104};
    RowBitmap bits(2, low, high);
    for (const Pair& row : {Pair{10, 100}, Pair{19, 104}, Pair{15, 102}}) {
        EXPECT_TRUE(bits.covers(row.data()));
        EXPECT_FALSE(bits.contains(row.data()));
        bits.add(row.data());
        EXPECT_TRUE(bits.contains(row.data()));
    }
    // Just below a low end wraps around to a large offset, which must not count as inside.
    for (const Pair& row : {Pair{9, 100}, Pair{20, 100}, Pair{10, 99}, Pair{10, 105}}) {
        EXPECT_FALSE(bits.covers(row.data()));
    }
    const Pair neighbour{15, 103};
    EXPECT_FALSE(bits.contains(neighbour.data()));
    EXPECT_EQ(RowBitmap::bytesFor(2, low, high), 8u);
    const ValueId none[] = {0, 0};
    const ValueId all[] = {~ValueId{0}, ~ValueId{0}};
    EXPECT_EQ(RowBitmap::bytesFor(2, none, all), RowBitmap::kTooLarge);
    EXPECT_EQ(RowBitmap::bytesFor(1, none, all), (std::uint64_t{1} << 32) / 8);
}

// Rows of one value: each value its own bit, the second value never read.
TEST(RowBitmap, KeepsSingleValues) {
    const ValueId low[] = {1000};
    const ValueId high[] = {1999};
    RowBitmap bits(1, low, high);
    for (const ValueId value : {1000u, 1001u, 1999u}) {
        EXPECT_TRUE(bits.covers(&value));
        bits.add(&value);
    }
    for (const ValueId value : {999u, 2000u}) EXPECT_FALSE(bits.covers(&value));
    for (const ValueId value : {1000u, 1001u, 1999u}) EXPECT_TRUE(bits.contains(&value));
    const ValueId absent = 1002;
    EXPECT_FALSE(bits.contains(&absent));
}

// The nodes a reachability rule meets, one value per row, in no order and with a value far off
// now and then: the part answers as a set does and keeps the order of first offers.
TEST(RowBitmapPart, RowsOfOneValueAnswerAsASet) {
    RelationPart part(1);
    part.allowRowBitmap();
    std::set<ValueId> held;
    std::vector<ValueId> order;
    bool wasBitmap = false;
    std::uint32_t state = 11;
    for (int i = 0; i < 20000; ++i) {
        state = state * 1103515245u + 12345u;
        const ValueId value = i % 5000 == 4999 ? 900000 + i : 1 + (state >> 8) % 6000;
        const bool isNew = held.insert(value).second;
        EXPECT_EQ(part.offer(&value).second == RelationPart::Offered::Added, isNew);
        if (isNew) order.push_back(value);
        wasBitmap = wasBitmap || part.hasRowBitmap();
    }
    part.commitPending();
    EXPECT_TRUE(wasBitmap);
    ASSERT_EQ(part.size(), order.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        EXPECT_EQ(part.row(i)[0], order[i]);
        EXPECT_TRUE(part.holds(&order[i], part.hashOf(&order[i])));
    }
    part.restoreRowSet();
    for (std::size_t i = 0; i < order.size(); ++i) EXPECT_EQ(part.find(&order[i]), i);
}

// The rows of a dense relation, offered in turn with each one offered again: the part must answer
// as a set does, keep the rows in the order they came, and tell positions again once asked.
struct Offering {
    const char* name;
    std::vector<Pair> rows;
};

std::vector<Pair> chainClosure(ValueId nodes) {
    std::vector<Pair> rows;
    for (ValueId step = 1; step < nodes; ++step) {
        for (ValueId from = 1; from + step <= nodes; ++from) rows.push_back({from, from + step});
    }
    return rows;
}

std::vector<Pair> denseWithStrays() {
    std::vector<Pair> rows;
    std::uint32_t state = 7;
    for (int i = 0; i < 6000; ++i) {
        state = state * 1103515245u + 12345u;
        rows.push_back({1 + (state >> 8) % 70, 1 + (state >> 20) % 70});
        // Rows far outside the ranges, now and then: the bitmap makes way for the hash set.
        if (i % 1500 == 1499) rows.push_back({5000u + static_cast<ValueId>(i), 3});
    }
    return rows;
}

class RowBitmapPart : public ::testing::TestWithParam<Offering> {};

TEST_P(RowBitmapPart, AnswersAsASetAndKeepsInsertionOrder) {
    RelationPart part(2);
    part.allowRowBitmap();
    std::set<Pair> held;
    std::vector<Pair> order;
    bool wasBitmap = false;
    for (const Pair& row : GetParam().rows) {
        const bool isNew = held.insert(row).second;
        EXPECT_EQ(part.offer(row.data()).second == RelationPart::Offered::Added, isNew);
        EXPECT_NE(part.offer(row.data()).second, RelationPart::Offered::Added);
        if (isNew) order.push_back(row);
        if (order.size() % 97 == 0) part.commitPending();
        wasBitmap = wasBitmap || part.hasRowBitmap();
    }
    part.commitPending();
    EXPECT_TRUE(wasBitmap);
    ASSERT_EQ(part.size(), order.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        EXPECT_EQ((Pair{part.row(i)[0], part.row(i)[1]}), order[i]);
        EXPECT_TRUE(part.holds(order[i].data(), part.hashOf(order[i].data())));
    }
    const Pair absent{71, 71};
    EXPECT_FALSE(part.holds(absent.data(), part.hashOf(absent.data())));
    part.restoreRowSet();
    EXPECT_FALSE(part.hasRowBitmap());
    for (std::size_t i = 0; i < order.size(); ++i) EXPECT_EQ(part.find(order[i].data()), i);
    // Positions were asked for: the part keeps its hash set, however it grows, with rows that
    // stay within the ranges of a chain's closure.
    for (ValueId first = 2; first <= 119; ++first) {
        for (ValueId second = 2; second <= first; ++second) {
            const Pair row{first, second};
            part.offer(row.data());
        }
    }
    EXPECT_FALSE(part.hasRowBitmap());
}

// The nodes met along a chain, one per iteration, each past the range so far: the bitmap widens
// instead of giving way to the hash set.
TEST(RowBitmapPart, ValuesGrowingRowByRowKeepTheBitmap) {
    RelationPart part(1);
    part.allowRowBitmap();
    for (ValueId value = 5000; value < 25000; ++value) {
        EXPECT_EQ(part.offer(&value).second, RelationPart::Offered::Added);
        part.commitPending();
    }
    for (ValueId value = 4999; value > 0; --value) part.offer(&value);  // and down again
    part.commitPending();
    EXPECT_TRUE(part.hasRowBitmap());
    for (ValueId value = 1; value < 25000; ++value) {
        EXPECT_NE(part.offer(&value).second, RelationPart::Offered::Added);
    }
    EXPECT_EQ(part.size(), 24999u);
    const ValueId next = 25000;
    EXPECT_FALSE(part.holds(&next, part.hashOf(&next)));
}

// A grid of 1,024 by 1,024 takes 128 KiB as a bitmap, twice what the hash set takes once it grows
// to 16,384 slots, past 4,096 rows: the part turns to the bitmap then, not one growth later.
TEST(RowBitmapPart, TurnsToTheBitmapOnceItTakesNoMoreRoomThanTheHashSetsNextGrowth) {
    RelationPart part(2);
    part.allowRowBitmap();
    const auto offerNth = [&part](ValueId n) {
        const Pair row{(n * 7919) % 1024, (n * 104729 / 1024) % 1024};
        part.offer(row.data());
    };
    const Pair corners[] = {{0, 0}, {1023, 1023}};
    for (const Pair& corner : corners) part.offer(corner.data());
    ValueId offered = 0;
    while (part.size() + part.pendingCount() < 4000) offerNth(offered++);
    EXPECT_FALSE(part.hasRowBitmap());
    while (part.size() + part.pendingCount() < 4200) offerNth(offered++);
    EXPECT_TRUE(part.hasRowBitmap());
}

INSTANTIATE_TEST_SUITE_P(Rows, RowBitmapPart,
                         ::testing::Values(Offering{"ChainClosure", chainClosure(120)},
                                           Offering{"DenseWithStrays", denseWithStrays()}),
                         [](const ::testing::TestParamInfo<Offering>& offering) {
                             return offering.param.name;
                         });

// Rows placed by several threads at once: one outside the ranges brings the hash set back once
// all are placed, and every row is found either way.
TEST(RowBitmapPart, RowsPlacedInWavesStayFindable) {
    for (const bool isStrayPlaced : {false, true}) {
        RelationPart part(2);
        part.allowRowBitmap();
        const RelationPart::ShareRunner runShares =
            [](std::size_t count, const std::function<void(std::size_t)>& share) {
                for (std::size_t number = 0; number < count; ++number) share(number);
            };
        std::vector<Pair> placed;
        for (ValueId wave = 0; wave < 8; ++wave) {
            // A grid of 60 by 80 bits but one, every eighth to a wave; the first has both
            // corners.
            std::vector<Pair> rows;
            constexpr ValueId kLast = 60 * 80 - 1;
            constexpr ValueId kLeftOut = 100;  // the pair {41, 2}
            for (ValueId n = wave; n < kLast; n += 8) {
                if (n != kLeftOut) rows.push_back({1 + n % 60, 1 + n / 60});
            }
            if (wave == 0) rows.push_back({1 + kLast % 60, 1 + kLast / 60});
            if (isStrayPlaced && wave == 6) rows.push_back({90000, 90000});
            const std::size_t first = part.makeRoomForAbsent(rows.size(), runShares);
            for (std::size_t i = 0; i < rows.size(); ++i) {
                part.placeAbsent(first + i, rows[i].data(), part.hashOf(rows[i].data()));
            }
            part.finishPlacing();
            part.commitPending();
            placed.insert(placed.end(), rows.begin(), rows.end());
            if (isStrayPlaced && wave == 6) {
                EXPECT_FALSE(part.hasRowBitmap());
            }
        }
        EXPECT_EQ(part.hasRowBitmap(), !isStrayPlaced);
        for (const Pair& row : placed) EXPECT_TRUE(part.holds(row.data(), part.hashOf(row.data())));
        const Pair absent{41, 2};
        EXPECT_FALSE(part.holds(absent.data(), part.hashOf(absent.data())));
    }
}

}  // namespace
