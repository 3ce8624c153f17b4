#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "data/GrowingArray.h"
#include "data/RelationPart.h"
#include "data/ValuePool.h"
#include "engine/WorkerPool.h"

// The rows one rule finds new in one iteration while several threads look for them. Each pass
// is cut into slices, and each slice's rows come in the order of their combinations' keys; the
// rule's bodies run in order and each body at most once per iteration, so the slices, one after
// the other, are in key order. A row found more than once keeps its first place in that order,
// which is where a single thread would have put it. The rows wait here, not in the rule's
// table, so that the table is only read while the threads look.
//
// Threads share the work three times: while looking, each slice files its rows by their hash
// into a fixed number of groups; then each group is searched for repeats on its own; then each
// slice places the rows that stayed in the table, at places that counting has fixed before.
class SharedPendingRows {
public:
    SharedPendingRows(std::size_t arity, std::size_t workerCount);

    // Makes count slices after those made before, and returns the first one's number. Called
    // between passes, by one thread.
    std::size_t addSlices(std::size_t count);
    // Files a row the table does not hold in a slice. Threads may file at once, each in slices
    // of its own. hash is hashValueIds of the row.
    void add(std::size_t slice, const ValueId* row, std::uint64_t hash);

    bool isEmpty() const;
    // Appends the rows to the part as pending rows, each once, in slice order, and forgets them.
    void moveTo(RelationPart& part, WorkerPool& workers);

private:
    // A slice's rows, filed by group: per row its number in the slice, its hash's lower half,
    // then its values. The marks say which rows stay, then where they go.
    struct Slice {
        std::vector<GrowingArray<std::uint32_t>> groups;
        std::uint32_t count = 0;
        std::vector<std::uint32_t> marks;
    };

    std::size_t entryWidth() const { return 2 + arity; }
    void markFirsts(std::size_t group);
    void place(Slice& slice, std::size_t first, RelationPart& part) const;
    void forget(Slice& slice) const;

    std::size_t arity;
    std::size_t groupCount;
    unsigned groupShift;
    std::vector<Slice> slices;
    std::size_t sliceCount = 0;  // slices in use; those after are kept for reuse
};
