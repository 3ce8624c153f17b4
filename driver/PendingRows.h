#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "data/RelationTable.h"

// The rows one rule finds new in one iteration. They wait as pending rows in the rule's own
// table, each with the smallest key of the combinations that produced it: the body's number,
// then the row positions of the combination, first reference most significant. Committed in
// that order they stand where a full evaluation of the rule, body by body in enumeration
// order, would have put them first.
class PendingRows {
public:
    PendingRows(RelationTable& table, std::size_t maxReferences);

    // Rows are taken in small batches whose hash slots are fetched ahead, as the table's hash
    // set is usually far larger than the cache.
    void offer(const ValueId* row, std::size_t arity, std::uint32_t body,
               const std::uint32_t* positions, std::size_t referenceCount);
    bool isEmpty();
    // Puts the pending rows in key order and commits them.
    void commit();

private:
    static constexpr std::size_t kBatchSize = 16;
    struct Batched {
        std::uint32_t part;
        std::uint32_t tag;
        std::size_t cellsAt;
    };

    void flushBatch();
    void place(const ValueId* row, std::uint32_t part, std::uint32_t tag,
               const std::uint32_t* rowKey);
    void record(std::uint32_t part, std::size_t position, RelationPart::Offered offered,
                const std::uint32_t* rowKey);
    const std::uint32_t* keyOf(std::uint32_t part, std::size_t pendingNumber) const;
    std::vector<std::uint32_t> sortedPending(std::uint32_t part) const;
    void forget();

    RelationTable& table;
    std::size_t keyWidth;
    std::size_t count = 0;
    std::vector<std::vector<std::uint32_t>> keys;  // per part, keyWidth per pending row
    std::vector<Batched> batch;
    std::vector<ValueId> batchCells;
    std::vector<std::uint32_t> batchKeys;  // keyWidth per batched row
    std::vector<std::uint32_t> key;
    std::vector<std::uint32_t> lastKey;
    bool isInKeyOrder = true;
};
