#include <gtest/gtest.h>

#include <vector>

#include "data/RowHashing.h"
#include "engine/SharedPendingRows.h"

namespace {

std::vector<std::vector<ValueId>> rowsOf(const RelationPart& part) {
    std::vector<std::vector<ValueId>> rows;
    for (std::size_t i = 0; i < part.size(); ++i) {
        rows.emplace_back(part.row(i), part.row(i) + part.getArity());
    }
    return rows;
}

// Slices hold rows in the order of the pass; a row met in several slices keeps its first place,
// wherever the threads met it.
TEST(SharedPendingRows, KeepsEachRowAtItsFirstPlaceInSliceOrder) {
    for (const std::size_t workers : {1, 2, 3, 8}) {
        WorkerPool pool(workers);
        RelationPart part(2);
        const ValueId committed[] = {9, 9};
        part.insert(committed);
        SharedPendingRows pending(2, 0, workers);
        const std::vector<std::vector<std::vector<ValueId>>> slices = {
            {{1, 2}, {3, 4}, {1, 2}},
            {},
            {{5, 6}, {3, 4}, {7, 8}},
            {{7, 8}, {0, 1}},
        };
        const std::size_t first = pending.addSlices(slices.size());
        // Filed from the last slice to the first, as a late thread might.
        for (std::size_t s = slices.size(); s-- > 0;) {
            for (const std::vector<ValueId>& row : slices[s]) {
                pending.add(first + s, row.data(), hashValueIds(row.data(), row.size()));
            }
        }
        EXPECT_FALSE(pending.isEmpty());
        pending.moveTo(part, pool);
        EXPECT_TRUE(pending.isEmpty());
        part.commitPending();
        const std::vector<std::vector<ValueId>> expected = {{9, 9}, {1, 2}, {3, 4},
                                                            {5, 6}, {7, 8}, {0, 1}};
        EXPECT_EQ(rowsOf(part), expected) << workers << " workers";
        // The rows placed are found again by the part's own hash set.
        for (const std::vector<ValueId>& row : expected) {
            EXPECT_NE(part.find(row.data()), RelationPart::kNotFound) << workers << " workers";
        }
    }
}

// A table of dense bits keeps a bitmap: the first of equal rows claims its bit, and a row
// outside the bitmap's ranges is searched for among the others as before.
TEST(SharedPendingRows, RowBitmapKeepsEachRowAtItsFirstPlace) {
    for (const std::size_t workers : {1, 2, 3, 8}) {
        WorkerPool pool(workers);
        RelationPart part(2);
        part.allowRowBitmap();
        // Both corners first, so that the bitmap's ranges hold from the start.
        std::vector<std::vector<ValueId>> expected = {{0, 0}, {40, 40}};
        for (const std::vector<ValueId>& row : expected) part.insert(row.data());
        for (ValueId first = 20; first <= 40; ++first) {
            for (ValueId second = 20; second < 40; ++second) {
                expected.push_back({first, second});
                part.insert(expected.back().data());
            }
        }
        ASSERT_TRUE(part.hasRowBitmap());
        SharedPendingRows pending(2, 0, workers);
        const std::vector<std::vector<std::vector<ValueId>>> slices = {
            {{1, 2}, {3, 4}, {1, 2}, {25, 25}},
            {{5, 6}, {100, 3}, {3, 4}, {7, 8}},
            {{7, 8}, {100, 3}, {0, 1}},
        };
        const std::size_t first = pending.addSlices(slices.size());
        for (std::size_t s = slices.size(); s-- > 0;) {
            for (const std::vector<ValueId>& row : slices[s]) {
                // The pass files only rows the table does not hold.
                if (part.holds(row.data(), part.hashOf(row.data()))) continue;
                pending.add(first + s, row.data(), hashValueIds(row.data(), row.size()));
            }
        }
        pending.moveTo(part, pool);
        part.commitPending();
        for (const std::vector<ValueId>& row :
             std::vector<std::vector<ValueId>>{{1, 2}, {3, 4}, {5, 6}, {100, 3}, {7, 8}, {0, 1}}) {
            expected.push_back(row);
        }
        EXPECT_EQ(rowsOf(part), expected) << workers << " workers";
        for (const std::vector<ValueId>& row : expected) {
            EXPECT_TRUE(part.holds(row.data(), part.hashOf(row.data()))) << workers << " workers";
        }
    }
}

}  // namespace

namespace {

// A body that reads two rules runs twice, and the second pass can find smaller keys: rows found
// again keep the smallest key, also once pending, and the pending rows end in key order.
TEST(SharedPendingRows, KeyedRowsEndInSmallestKeyOrder) {
    for (const std::size_t workers : {1, 2, 3}) {
        WorkerPool pool(workers);
        RelationPart part(1);
        SharedPendingRows pending(1, 2, workers);  // keys: body, one position
        const auto file = [&](std::size_t slice, ValueId value, std::uint32_t position) {
            const std::uint32_t key[] = {0, position};
            if (pending.isWanted(part, &value, static_cast<std::uint32_t>(hashValueIds(&value, 1)),
                                 key)) {
                pending.add(slice, &value, hashValueIds(&value, 1), key);
            }
        };
        pending.beginBody(part);
        pending.beginPass(part);  // the first pass: positions 5 on
        std::size_t first = pending.addSlices(2);
        file(first, 10, 5);
        file(first, 11, 6);
        file(first + 1, 12, 7);
        file(first + 1, 10, 8);  // found again, larger key: 10 keeps 5
        pending.moveTo(part, pool);
        pending.beginPass(part);  // the second pass: positions 0 to 4
        first = pending.addSlices(1);
        file(first, 12, 1);  // pending already with key 7: lowered to 1
        file(first, 13, 2);
        file(first, 11, 9);  // pending with key 6: not wanted
        pending.moveTo(part, pool);
        pending.orderPending(part);
        part.commitPending();
        std::vector<ValueId> rows;
        for (std::size_t i = 0; i < part.size(); ++i) rows.push_back(*part.row(i));
        EXPECT_EQ(rows, (std::vector<ValueId>{12, 13, 10, 11})) << workers << " workers";
        for (const ValueId value : rows) {
            EXPECT_NE(part.find(&value), RelationPart::kNotFound) << workers << " workers";
        }
    }
}

}  // namespace
