#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "data/GrowingArray.h"
#include "data/RelationPart.h"
#include "data/RelationTable.h"

// The rows one rule finds new in one iteration. They wait as pending rows in the rule's own
// table, each with the smallest key of the combinations that produced it: the body's number,
// then the row positions of the combination, first reference most significant. Committed in
// that order they stand where a full evaluation of the rule, body by body in enumeration
// order, would have put them first.
//
// Precondition: within one iteration, bodies are offered in ascending body number, each body's
// combinations of one pass in ascending positions. A row found again can then only get a
// smaller key from the body that is running, and rows that come in key order need no sort.
//
// When every body runs at most one pass per iteration and all give rows of one length, rows
// always come in key order: the first time a row comes is its place, and no key is kept at all.
class PendingRows {
public:
    // Keys have room for the positions of the rule's longest body, referenceCount at most.
    // isInKeyOrderAlways: every iteration offers its rows in key order, all of one length.
    PendingRows(RelationTable& table, std::size_t referenceCount, bool isInKeyOrderAlways);

    // Rows are taken in small batches whose hash slots are fetched ahead once the table's hash
    // set has outgrown the caches; flush takes in the batch.
    void offer(const ValueId* row, std::size_t arity, std::uint32_t body,
               const std::uint32_t* positions, std::size_t referenceCount);
    // The same for rowCount rows of one length at once, back to back, with referenceCount positions
    // each: their hash slots are all asked for before the first is probed.
    void offerMany(const ValueId* rows, std::size_t rowCount, std::size_t arity, std::uint32_t body,
                   const std::uint32_t* positions, std::size_t referenceCount);
    void flush();
    // A pass begins: a row found again that this pass made pending has its smallest key
    // already, as a pass's combinations come in ascending key order.
    void beginPass();
    // Whether no row is pending; rows still in a batch are not counted before a flush.
    bool isEmpty() const { return count == 0; }
    // Flushes, puts the pending rows in key order and commits them.
    void commit();

private:
    static constexpr std::size_t kBatchSize = 16;
    struct Batched {
        std::uint32_t part;
        std::uint32_t tag;
        std::size_t cellsAt;
        std::size_t keyAt;
    };
    // A key is keyWidth numbers: the body number, the positions, and zeros after the positions
    // of a shorter body. The body number decides between keys of different bodies, so keys
    // compare as they are. Bodies run in order, so a part's pending rows come body after body:
    // the part keeps where each body's rows begin, and per row only the positions.
    static constexpr std::size_t kNoPass = ~std::size_t{0};
    struct PartKeys {
        GrowingArray<std::uint32_t> positions;  // keyWidth - 1 per pending row
        std::vector<std::pair<std::uint32_t, std::uint32_t>> bodyStarts;  // body, first row
        // The pending rows before the pass at hand; with no pass begun, none are skipped.
        std::size_t passStart = kNoPass;
    };

    // Kept out of offer, so that the path of most rows stays short.
    [[gnu::noinline]] void offerStaged(const ValueId* row, std::size_t arity, std::uint32_t body,
                                       const std::uint32_t* positions, std::size_t referenceCount,
                                       std::uint32_t part, std::uint32_t tag);
    void take(std::uint32_t part, std::size_t position, RelationPart::Offered offered,
              std::uint32_t body, const std::uint32_t* positions, std::size_t referenceCount);
    void advanceBatches();
    void offerBatched(std::size_t first, std::size_t end);
    // The one order of keys: body number first, then positions, the first most significant.
    bool isKeyLess(std::uint32_t leftBody, const std::uint32_t* leftPositions,
                   std::uint32_t rightBody, const std::uint32_t* rightPositions) const;
    void writeKey(std::uint32_t* key, std::uint32_t body, const std::uint32_t* positions,
                  std::size_t referenceCount) const;
    void appendKey(GrowingArray<std::uint32_t>& arena, std::uint32_t body,
                   const std::uint32_t* positions, std::size_t referenceCount) const;
    std::uint32_t bodyOf(std::uint32_t part, std::size_t pendingNumber) const;
    void record(std::uint32_t part, std::size_t position, RelationPart::Offered offered,
                const std::uint32_t* key);
    const std::uint32_t* positionsOf(std::uint32_t part, std::size_t pendingNumber) const;
    std::size_t pendingCountOf(std::uint32_t part) const;
    std::vector<std::uint32_t> keyOrder(std::uint32_t part) const;
    void forget();

    RelationTable& table;
    std::size_t keyWidth;
    bool isKeyless;
    std::size_t count = 0;
    std::vector<PartKeys> keys;
    static constexpr std::size_t kBatchesKept = 16;  // offered batches before the rest move up
    std::vector<Batched> batch;
    std::size_t batchStart = 0;  // the oldest batch not offered yet
    // Appended a row or key at a time, in a few stores rather than a call to copy them.
    GrowingArray<ValueId> batchCells;
    GrowingArray<std::uint32_t> batchKeys;
    std::vector<std::uint32_t> scratchKey;
    std::vector<std::uint32_t> lastKey;
    bool isInKeyOrder = true;
    std::size_t offeredCount = 0;  // rows offered in this iteration
    bool isBatching = true;        // whether the last iteration offered enough rows to batch
};
