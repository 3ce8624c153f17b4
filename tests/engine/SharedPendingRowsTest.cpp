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
        SharedPendingRows pending(2, workers);
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

}  // namespace
