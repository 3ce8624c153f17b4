#include "engine/PendingRows.h"

#include <algorithm>
#include <numeric>

#include "data/CopyFew.h"

PendingRows::PendingRows(RelationTable& rows, std::size_t referenceCount, bool isInKeyOrderAlways)
    : table(rows),
      keyWidth(referenceCount + 1),
      isKeyless(isInKeyOrderAlways),
      scratchKey(keyWidth, 0),
      lastKey(keyWidth, 0) {}

bool PendingRows::isKeyLess(std::uint32_t leftBody, const std::uint32_t* leftPositions,
                            std::uint32_t rightBody, const std::uint32_t* rightPositions) const {
    if (leftBody != rightBody) return leftBody < rightBody;
    return std::lexicographical_compare(leftPositions, leftPositions + keyWidth - 1, rightPositions,
                                        rightPositions + keyWidth - 1);
}

void PendingRows::writeKey(std::uint32_t* key, std::uint32_t body, const std::uint32_t* positions,
                           std::size_t referenceCount) const {
    key[0] = body;
    copyFew(positions, referenceCount, key + 1);
    for (std::size_t i = 1 + referenceCount; i < keyWidth; ++i) key[i] = 0;
}

void PendingRows::appendKey(GrowingArray<std::uint32_t>& arena, std::uint32_t body,
                            const std::uint32_t* positions, std::size_t referenceCount) const {
    writeKey(arena.appendUnfilled(keyWidth), body, positions, referenceCount);
}

const std::uint32_t* PendingRows::positionsOf(std::uint32_t part, std::size_t pendingNumber) const {
    return keys[part].positions.data() + pendingNumber * (keyWidth - 1);
}

std::uint32_t PendingRows::bodyOf(std::uint32_t part, std::size_t pendingNumber) const {
    const auto& starts = keys[part].bodyStarts;
    auto after = std::upper_bound(
        starts.begin(), starts.end(), pendingNumber,
        [](std::size_t number, const auto& start) { return number < start.second; });
    return std::prev(after)->first;
}

void PendingRows::offer(const ValueId* row, std::size_t arity, std::uint32_t body,
                        const std::uint32_t* positions, std::size_t referenceCount) {
    const std::uint32_t part = table.ensurePart(arity);
    RelationPart& rows = table.partAt(part);
    const std::uint32_t tag = rows.hashOf(row);
    ++offeredCount;
    // Batches pay only when many rows come: a large table is probed at once in an iteration
    // that follows one of few rows, as the many iterations of a long chain are.
    if ((!rows.isLarge() || !isBatching) && batch.empty()) {
        const auto [position, offered] = rows.offer(row, tag);
        take(part, position, offered, body, positions, referenceCount);
        return;
    }
    // A table the caches hold answers soon enough for its slot to be asked for now; one far
    // larger is probed in stages.
    if (rows.isBeyondCaches()) {
        offerStaged(row, arity, body, positions, referenceCount, part, tag);
        return;
    }
    rows.prefetch(tag);
    batch.push_back({part, tag, batchCells.size(), batchKeys.size()});
    batchCells.append(row, arity);
    if (!isKeyless) appendKey(batchKeys, body, positions, referenceCount);
    if (batch.size() - batchStart >= kBatchSize) flush();
}

// Most rows found again are old ones: the key is built only for the others.
inline void PendingRows::take(std::uint32_t part, std::size_t position,
                              RelationPart::Offered offered, std::uint32_t body,
                              const std::uint32_t* positions, std::size_t referenceCount) {
    if (offered == RelationPart::Offered::Committed) return;
    if (isKeyless) {
        if (offered == RelationPart::Offered::Added) ++count;
        return;
    }
    writeKey(scratchKey.data(), body, positions, referenceCount);
    record(part, position, offered, scratchKey.data());
}

void PendingRows::offerMany(const ValueId* rows, std::size_t rowCount, std::size_t arity,
                            std::uint32_t body, const std::uint32_t* positions,
                            std::size_t referenceCount) {
    const std::uint32_t part = table.ensurePart(arity);
    RelationPart& target = table.partAt(part);
    // A table beyond the caches is probed in stages that span batches.
    if (isBatching && target.isBeyondCaches()) {
        for (std::size_t i = 0; i < rowCount; ++i) {
            offer(rows + i * arity, arity, body, positions + i * referenceCount, referenceCount);
        }
        return;
    }
    if (!batch.empty()) flush();  // rows offered before go in first
    offeredCount += rowCount;
    // Fetching slots ahead pays when a large table is probed for several rows. Finding the rows
    // they point to ahead as well walked every search twice: tc-nonlinear-chain L took 0.63 s
    // with it and 0.48 s without.
    constexpr std::size_t kFetchedAhead = 64;
    if (rowCount < kBatchSize || !target.isLarge()) {
        for (std::size_t i = 0; i < rowCount; ++i) {
            const ValueId* row = rows + i * arity;
            const auto [position, offered] = target.offer(row);
            take(part, position, offered, body, positions + i * referenceCount, referenceCount);
        }
        return;
    }
    std::uint32_t tags[kFetchedAhead];
    for (std::size_t first = 0; first < rowCount; first += kFetchedAhead) {
        const std::size_t end = std::min(rowCount, first + kFetchedAhead);
        for (std::size_t i = first; i < end; ++i) {
            const std::uint32_t tag = target.hashOf(rows + i * arity);
            tags[i - first] = tag;
            target.prefetch(tag);
        }
        for (std::size_t i = first; i < end; ++i) {
            const auto [position, offered] = target.offer(rows + i * arity, tags[i - first]);
            take(part, position, offered, body, positions + i * referenceCount, referenceCount);
        }
    }
}

void PendingRows::offerStaged(const ValueId* row, std::size_t arity, std::uint32_t body,
                              const std::uint32_t* positions, std::size_t referenceCount,
                              std::uint32_t part, std::uint32_t tag) {
    batch.push_back({part, tag, batchCells.size(), batchKeys.size()});
    batchCells.append(row, arity);
    if (!isKeyless) appendKey(batchKeys, body, positions, referenceCount);
    if ((batch.size() - batchStart) % kBatchSize == 0) advanceBatches();
}

inline void PendingRows::offerBatched(std::size_t first, std::size_t end) {
    for (std::size_t i = first; i < end; ++i) {
        const Batched& entry = batch[i];
        const auto [position, offered] =
            table.partAt(entry.part).offer(batchCells.data() + entry.cellsAt, entry.tag);
        if (isKeyless) {
            if (offered == RelationPart::Offered::Added) ++count;
        } else if (offered != RelationPart::Offered::Committed) {
            record(entry.part, position, offered, batchKeys.data() + entry.keyAt);
        }
    }
}

// Rows move through three stages a batch at a time: the newest batch's slots are fetched, the
// batch before reads its slots and fetches the rows they point to, and the oldest is offered.
// Each step's memory then has a whole batch's work to arrive, and the fetches of one batch are
// asked for together, so that their misses overlap.
void PendingRows::advanceBatches() {
    const std::size_t end = batch.size();
    for (std::size_t i = end - kBatchSize; i < end; ++i) {
        table.partAt(batch[i].part).prefetch(batch[i].tag);
    }
    if (end - batchStart >= 2 * kBatchSize) {
        for (std::size_t i = end - 2 * kBatchSize; i < end - kBatchSize; ++i) {
            table.partAt(batch[i].part).prefetchCandidate(batch[i].tag);
        }
    }
    if (end - batchStart < 3 * kBatchSize) return;
    offerBatched(batchStart, batchStart + kBatchSize);
    batchStart += kBatchSize;
    if (batchStart < kBatchesKept * kBatchSize) return;
    // The two batches still in flight move to the front.
    const std::size_t cellsAt = batch[batchStart].cellsAt;
    const std::size_t keyAt = batch[batchStart].keyAt;
    batch.erase(batch.begin(), batch.begin() + static_cast<std::ptrdiff_t>(batchStart));
    batchCells.dropFront(cellsAt);
    batchKeys.dropFront(keyAt);
    for (Batched& entry : batch) {
        entry.cellsAt -= cellsAt;
        entry.keyAt -= keyAt;
    }
    batchStart = 0;
}

void PendingRows::flush() {
    const auto first = batch.begin() + static_cast<std::ptrdiff_t>(batchStart);
    for (auto entry = first; entry != batch.end(); ++entry) {
        table.partAt(entry->part).prefetchCandidate(entry->tag);
    }
    offerBatched(batchStart, batch.size());
    batch.clear();
    batchCells.clear();
    batchKeys.clear();
    batchStart = 0;
}

// A row found again keeps the smaller key, replaced in place.
void PendingRows::record(std::uint32_t part, std::size_t position, RelationPart::Offered offered,
                         const std::uint32_t* key) {
    if (keys.size() <= part) keys.resize(part + 1);
    PartKeys& partKeys = keys[part];
    if (offered == RelationPart::Offered::Added) {
        // Within one pass rows come in key order; sorting is needed only when they do not.
        if (isInKeyOrder) {
            if (isKeyLess(key[0], key + 1, lastKey[0], lastKey.data() + 1)) isInKeyOrder = false;
            for (std::size_t i = 0; i < keyWidth; ++i) lastKey[i] = key[i];  // a few numbers
        }
        const std::uint32_t body = key[0];
        if (partKeys.bodyStarts.empty() || partKeys.bodyStarts.back().first != body) {
            const auto first = static_cast<std::uint32_t>(position - table.partAt(part).size());
            partKeys.bodyStarts.emplace_back(body, first);
        }
        partKeys.positions.append(key + 1, keyWidth - 1);
        ++count;
        return;
    }
    // Found again: only its own body, which runs now, can give it a smaller key, as earlier
    // bodies are done and later ones give larger keys.
    const std::size_t pendingNumber = position - table.partAt(part).size();
    if (pendingNumber >= partKeys.passStart || bodyOf(part, pendingNumber) != key[0]) return;
    std::uint32_t* stored = partKeys.positions.data() + pendingNumber * (keyWidth - 1);
    if (isKeyLess(key[0], key + 1, key[0], stored)) {
        std::copy(key + 1, key + keyWidth, stored);
        isInKeyOrder = false;
    }
}

void PendingRows::beginPass() {
    if (isKeyless) return;  // no key to keep
    flush();
    for (std::uint32_t part = 0; part < keys.size(); ++part) {
        keys[part].passStart = pendingCountOf(part);
    }
}

void PendingRows::commit() {
    flush();
    isBatching = offeredCount > kBatchSize;
    offeredCount = 0;
    if (count == 0) return;
    if (isKeyless) {
        table.commitPending({});
        count = 0;
        return;
    }
    if (table.partCount() <= 1) {
        if (!isInKeyOrder) {
            const std::vector<std::uint32_t> order = keyOrder(0);
            forget();  // the keys are given back before the rows move
            table.partAt(0).reorderPending(order);
        }
        table.commitPending({});
        forget();
        return;
    }
    // Each part's pending rows are put in key order; across parts the keys decide the order in
    // which rows count as inserted.
    struct NewRow {
        std::uint32_t part;
        std::uint32_t position;
        std::uint32_t body;
        const std::uint32_t* positions;
    };
    std::vector<NewRow> newRows;
    for (std::uint32_t part = 0; part < keys.size(); ++part) {
        std::vector<std::uint32_t> order;
        if (isInKeyOrder) {
            order.resize(pendingCountOf(part));
            std::iota(order.begin(), order.end(), 0);
        } else {
            order = keyOrder(part);
            table.partAt(part).reorderPending(order);
        }
        const auto committed = static_cast<std::uint32_t>(table.partAt(part).size());
        for (std::uint32_t place = 0; place < order.size(); ++place) {
            newRows.push_back({part, committed + place, bodyOf(part, order[place]),
                               positionsOf(part, order[place])});
        }
    }
    std::sort(newRows.begin(), newRows.end(), [this](const NewRow& left, const NewRow& right) {
        return isKeyLess(left.body, left.positions, right.body, right.positions);
    });
    std::vector<std::pair<std::uint32_t, std::uint32_t>> inserted;
    for (const NewRow& row : newRows) inserted.emplace_back(row.part, row.position);
    table.commitPending(inserted);
    forget();
}

std::size_t PendingRows::pendingCountOf(std::uint32_t part) const {
    return table.partAt(part).pendingCount();
}

// The pending numbers of a part's rows in key order. Bodies run in order and a row found again
// takes a smaller key only from its own body, so each body's rows stay among themselves: they are
// sorted by their positions alone, and only when they came out of order. Bodies offered out of
// order are sorted by whole keys.
std::vector<std::uint32_t> PendingRows::keyOrder(std::uint32_t part) const {
    std::vector<std::uint32_t> order(pendingCountOf(part));
    std::iota(order.begin(), order.end(), 0);
    const std::size_t width = keyWidth - 1;
    const std::uint32_t* positions = keys[part].positions.data();
    const auto& starts = keys[part].bodyStarts;
    const bool isBodyAfterBody =
        std::adjacent_find(starts.begin(), starts.end(), [](const auto& left, const auto& right) {
            return left.first >= right.first;
        }) == starts.end();
    if (!isBodyAfterBody) {
        std::sort(order.begin(), order.end(), [&](std::uint32_t left, std::uint32_t right) {
            return isKeyLess(bodyOf(part, left), positions + left * width, bodyOf(part, right),
                             positions + right * width);
        });
        return order;
    }
    const auto isLess = [positions, width](std::uint32_t left, std::uint32_t right) {
        const std::uint32_t* leftKey = positions + left * width;
        const std::uint32_t* rightKey = positions + right * width;
        return std::lexicographical_compare(leftKey, leftKey + width, rightKey, rightKey + width);
    };
    for (std::size_t b = 0; b < starts.size(); ++b) {
        const auto first = order.begin() + starts[b].second;
        const auto last =
            b + 1 < starts.size() ? order.begin() + starts[b + 1].second : order.end();
        if (!std::is_sorted(first, last, isLess)) std::sort(first, last, isLess);
    }
    return order;
}

void PendingRows::forget() {
    // Small key lists keep their memory for the next iteration, so that the many small
    // iterations of a long chain allocate nothing; large ones give it back, so that a program
    // of many rules does not hold every rule's largest iteration at once.
    constexpr std::size_t kKeptEntries = 256;
    for (PartKeys& partKeys : keys) {
        if (partKeys.positions.capacity() > kKeptEntries) {
            partKeys = PartKeys{};
        } else {
            partKeys.positions.clear();
            partKeys.bodyStarts.clear();
            partKeys.passStart = kNoPass;
        }
    }
    count = 0;
    std::fill(lastKey.begin(), lastKey.end(), 0);
    isInKeyOrder = true;
}
