#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "data/RelationTable.h"
#include "engine/PendingRows.h"

namespace {

std::vector<std::string> rowTexts(const RelationTable& table) {
    std::vector<std::string> texts;
    table.forEachRow([&](const ValueId* row, std::size_t arity) {
        std::string text;
        for (std::size_t i = 0; i < arity; ++i) text += std::to_string(row[i]) + ";";
        texts.push_back(text);
    });
    return texts;
}

// Rows found in a later pass can have a smaller key than rows found earlier, and a row found
// again through a smaller combination moves up to that place.
TEST(PendingRowsOrder, CommitsInSmallestKeyOrder) {
    RelationTable table("p");
    const ValueId old[] = {1};
    table.insert(old, 1);
    PendingRows pending(table, 2, false);
    const ValueId a[] = {10}, b[] = {11}, c[] = {12};
    const std::uint32_t late[] = {5, 0}, early[] = {2, 9}, earliest[] = {1, 1}, body1[] = {0, 0};
    pending.offer(a, 1, 0, late, 2);
    pending.offer(b, 1, 0, early, 2);
    pending.offer(old, 1, 0, earliest, 2);  // already committed: ignored
    pending.offer(c, 1, 1, body1, 2);       // a later body comes after every earlier body
    pending.offer(a, 1, 0, earliest, 2);
    EXPECT_FALSE(pending.isEmpty());
    EXPECT_EQ(rowTexts(table), std::vector<std::string>{"1;"});
    pending.commit();
    EXPECT_EQ(rowTexts(table), (std::vector<std::string>{"1;", "10;", "11;", "12;"}));
    EXPECT_TRUE(pending.isEmpty());
    EXPECT_NE(table.findPart(1)->find(b), RelationPart::kNotFound);
}

// Bodies of different lengths: the body number decides, whatever the positions, and a row found
// again by a later body keeps its earlier key.
TEST(PendingRowsOrder, BodiesOfDifferentLengthsOrderByBodyFirst) {
    RelationTable table("p");
    PendingRows pending(table, 3, false);
    const ValueId a[] = {1}, b[] = {2}, c[] = {3}, d[] = {4};
    const std::uint32_t small[] = {0}, large[] = {9, 9, 9}, larger[] = {9, 9, 10}, mid[] = {4};
    pending.offer(a, 1, 1, small, 1);
    pending.offer(b, 1, 0, larger, 3);
    pending.offer(c, 1, 1, mid, 1);
    pending.offer(d, 1, 0, large, 3);
    pending.offer(b, 1, 1, small, 1);  // same row, later body: keeps body 0's key
    pending.commit();
    EXPECT_EQ(rowTexts(table), (std::vector<std::string>{"4;", "2;", "1;", "3;"}));
}

TEST(PendingRowsOrder, RowsOfTwoLengthsInterleaveByKey) {
    RelationTable table("p");
    PendingRows pending(table, 1, false);
    const ValueId one[] = {7}, two[] = {7, 8}, three[] = {9};
    const std::uint32_t k3[] = {3}, k1[] = {1}, k2[] = {2};
    pending.offer(one, 1, 0, k3, 1);
    pending.offer(two, 2, 0, k1, 1);
    pending.offer(three, 1, 0, k2, 1);
    pending.commit();
    EXPECT_EQ(rowTexts(table), (std::vector<std::string>{"7;8;", "9;", "7;"}));
}

}  // namespace

namespace {

// Past some size the table takes rows in prefetched batches, and past the size of the caches in
// batches probed in stages; the order must not change.
TEST(PendingRowsOrder, LargeTablesKeepSmallestKeyOrder) {
    for (const ValueId committed : {ValueId{200000}, ValueId{2200000}}) {
        SCOPED_TRACE(committed);
        RelationTable table("p");
        for (ValueId value = 0; value < committed; ++value) table.insert(&value, 1);
        PendingRows pending(table, 1, false);
        std::map<std::uint32_t, ValueId> expected;  // smallest key -> row
        std::map<ValueId, std::uint32_t> smallest;
        for (std::uint32_t j = 0; j < 30000; ++j) {
            const ValueId value = committed + (j * 7919u) % 10000u;  // each row comes three times
            const std::uint32_t position = (j * 104729u) % 1000003u;
            pending.offer(&value, 1, 0, &position, 1);
            const ValueId old = j % committed;  // rows already committed are ignored
            pending.offer(&old, 1, 0, &position, 1);
            const auto [entry, isNew] = smallest.emplace(value, position);
            if (!isNew && position < entry->second) entry->second = position;
        }
        for (const auto& [value, position] : smallest) expected.emplace(position, value);
        pending.commit();
        std::vector<ValueId> rows;
        table.forEachRow([&](const ValueId* row, std::size_t) { rows.push_back(row[0]); });
        ASSERT_EQ(rows.size(), committed + expected.size());
        std::size_t at = committed;
        for (const auto& [position, value] : expected) EXPECT_EQ(rows[at++], value) << position;
        for (const auto& [position, value] : expected) {
            EXPECT_NE(table.findPart(1)->find(&value), RelationPart::kNotFound);
        }

        // Rows of the next iterations, each after one of few rows, are probed one by one; their
        // order is kept all the same.
        for (ValueId round = 0; round < 2; ++round) {
            const ValueId late = committed + 100000 + round * 10, early = late + 1, old = 7;
            const std::uint32_t k9 = 9, k2 = 2, k1 = 1;
            pending.offer(&late, 1, 0, &k9, 1);
            pending.offer(&old, 1, 0, &k1, 1);
            pending.offer(&early, 1, 0, &k2, 1);
            pending.offer(&late, 1, 0, &k1, 1);
            pending.commit();
            const std::size_t size = table.size();
            rows.clear();
            table.forEachRow([&](const ValueId* row, std::size_t) { rows.push_back(row[0]); });
            ASSERT_EQ(rows.size(), size);
            EXPECT_EQ(rows[size - 2], late);
            EXPECT_EQ(rows[size - 1], early);
        }
    }
}

}  // namespace

namespace {

// Rows that always come in key order keep no key: a row's first coming is its place, on small
// tables and on large ones taken in batches alike, probed in stages or not.
TEST(PendingRowsOrder, RowsInKeyOrderKeepTheirFirstComing) {
    for (const ValueId committed : {ValueId{3}, ValueId{300000}, ValueId{2200000}}) {
        RelationTable table("p");
        for (ValueId value = 0; value < committed; ++value) table.insert(&value, 1);
        PendingRows pending(table, 1, true);
        std::vector<ValueId> expected;
        for (ValueId j = 0; j < 3000; ++j) {
            const ValueId value = committed + (j * 7919u) % 1000u;  // each row three times
            const ValueId old = j % committed;
            const std::uint32_t position = j;
            pending.offer(&value, 1, 0, &position, 1);
            pending.offer(&old, 1, 0, &position, 1);
            if (j < 1000) expected.push_back(value);
        }
        pending.commit();
        std::vector<ValueId> rows;
        table.forEachRow([&](const ValueId* row, std::size_t) { rows.push_back(row[0]); });
        ASSERT_EQ(rows.size(), committed + expected.size());
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), rows.begin() + committed));
        EXPECT_TRUE(pending.isEmpty());
    }
}

}  // namespace

namespace {

// Rows offered many at a time, in passes: within a pass keys ascend, so a row found again in the
// pass that made it pending keeps its key, and a later pass can still give it a smaller one. The
// table must come out as when every row is offered alone, outside any pass, on a small table, on
// one taken in prefetched batches and on one probed in stages.
TEST(PendingRowsOrder, PassesOfManyRowsKeepSmallestKeyOrder) {
    for (const ValueId committed : {ValueId{3}, ValueId{300000}, ValueId{2200000}}) {
        SCOPED_TRACE(committed);
        RelationTable byPass("p"), alone("p");
        for (ValueId value = 0; value < committed; ++value) {
            byPass.insert(&value, 1);
            alone.insert(&value, 1);
        }
        PendingRows passes(byPass, 2, false), single(alone, 2, false);
        std::vector<ValueId> tail;  // new rows at the end of the last pass
        for (std::uint32_t pass = 0; pass < 3; ++pass) {
            // A pass finds the last pass's newest rows first, then rows old and new, then rows
            // of its own at its end, which may still wait in a batch when the next pass begins.
            std::vector<ValueId> rows = tail;
            for (std::uint32_t j = 0; j < 700; ++j) {
                rows.push_back(committed + (j * 7919u + pass * 13u) % 300u);
                if (j % 5 == 0) rows.push_back(j % committed);  // committed: ignored
            }
            tail.clear();
            for (ValueId j = 0; j < 40; ++j) tail.push_back(committed + 1000 + pass * 100 + j);
            rows.insert(rows.end(), tail.begin(), tail.end());
            // Later passes start at smaller first positions, so they move some rows up.
            std::vector<std::uint32_t> positions;
            for (std::uint32_t i = 0; i < rows.size(); ++i) {
                positions.push_back(2000 - pass * 900 + i);
                positions.push_back(i % 7);
            }
            passes.beginPass();
            // Many at once, in runs of every length around the batch sizes.
            for (std::size_t at = 0, run = 1; at < rows.size(); at += run, run = run % 70 + 1) {
                const std::size_t count = std::min(run, rows.size() - at);
                passes.offerMany(rows.data() + at, count, 1, 0, positions.data() + 2 * at, 2);
            }
            for (std::size_t i = 0; i < rows.size(); ++i) {
                single.offer(&rows[i], 1, 0, positions.data() + 2 * i, 2);
            }
        }
        passes.commit();
        single.commit();
        EXPECT_EQ(rowTexts(byPass), rowTexts(alone));
        EXPECT_EQ(byPass.size(), committed + 300 + 3 * 40);
    }
}

}  // namespace
