#include "driver/PendingRows.h"

#include <algorithm>
#include <numeric>

PendingRows::PendingRows(RelationTable& rows, std::size_t maxReferences)
    : table(rows),
      keyWidth(maxReferences + 1),
      key(maxReferences + 1, 0),
      lastKey(maxReferences + 1, 0) {}

const std::uint32_t* PendingRows::keyOf(std::uint32_t part, std::size_t pendingNumber) const {
    return keys[part].data() + pendingNumber * keyWidth;
}

void PendingRows::offer(const ValueId* row, std::size_t arity, std::uint32_t body,
                        const std::uint32_t* positions, std::size_t referenceCount) {
    const std::uint32_t part = table.partNumberOf(arity);
    const RelationPart& rows = table.partAt(part);
    const std::uint32_t tag = rows.hashOf(row);
    if (!rows.isLarge() && batch.empty()) {
        // Most rows found again are old ones: the key is built only for the others.
        const auto [position, offered] = table.partAt(part).offer(row, tag);
        if (offered == RelationPart::Offered::Committed) return;
        std::fill(key.begin(), key.end(), 0);
        key[0] = body;
        std::copy(positions, positions + referenceCount, key.begin() + 1);
        record(part, position, offered, key.data());
        return;
    }
    rows.prefetch(tag);
    batch.push_back({part, tag, batchCells.size()});
    batchCells.insert(batchCells.end(), row, row + arity);
    batchKeys.push_back(body);
    batchKeys.insert(batchKeys.end(), positions, positions + referenceCount);
    batchKeys.resize(batch.size() * keyWidth, 0);
    if (batch.size() == kBatchSize) flushBatch();
}

void PendingRows::flushBatch() {
    for (std::size_t i = 0; i < batch.size(); ++i) {
        place(batchCells.data() + batch[i].cellsAt, batch[i].part, batch[i].tag,
              batchKeys.data() + i * keyWidth);
    }
    batch.clear();
    batchCells.clear();
    batchKeys.clear();
}

void PendingRows::place(const ValueId* row, std::uint32_t part, std::uint32_t tag,
                        const std::uint32_t* rowKey) {
    const auto [position, offered] = table.partAt(part).offer(row, tag);
    if (offered != RelationPart::Offered::Committed) record(part, position, offered, rowKey);
}

void PendingRows::record(std::uint32_t part, std::size_t position, RelationPart::Offered offered,
                         const std::uint32_t* rowKey) {
    if (keys.size() <= part) keys.resize(part + 1);
    std::vector<std::uint32_t>& partKeys = keys[part];
    if (offered == RelationPart::Offered::Added) {
        // Within one pass rows come in key order; sorting is needed only when they do not.
        if (std::lexicographical_compare(rowKey, rowKey + keyWidth, lastKey.begin(),
                                         lastKey.end())) {
            isInKeyOrder = false;
        }
        std::copy(rowKey, rowKey + keyWidth, lastKey.begin());
        partKeys.insert(partKeys.end(), rowKey, rowKey + keyWidth);
        ++count;
        return;
    }
    const std::size_t pendingNumber = position - table.partAt(part).size();
    const auto stored = partKeys.begin() + static_cast<std::ptrdiff_t>(pendingNumber * keyWidth);
    if (std::lexicographical_compare(rowKey, rowKey + keyWidth, stored, stored + keyWidth)) {
        std::copy(rowKey, rowKey + keyWidth, stored);
        isInKeyOrder = false;
    }
}

bool PendingRows::isEmpty() {
    flushBatch();
    return count == 0;
}

std::vector<std::uint32_t> PendingRows::sortedPending(std::uint32_t part) const {
    std::vector<std::uint32_t> order(keys[part].size() / keyWidth);
    std::iota(order.begin(), order.end(), 0);
    if (!isInKeyOrder) {
        std::sort(order.begin(), order.end(), [&](std::uint32_t left, std::uint32_t right) {
            const std::uint32_t* a = keyOf(part, left);
            const std::uint32_t* b = keyOf(part, right);
            return std::lexicographical_compare(a, a + keyWidth, b, b + keyWidth);
        });
    }
    return order;
}

void PendingRows::commit() {
    flushBatch();
    if (isInKeyOrder && table.partCount() <= 1) {
        table.commitPending({});
        forget();
        return;
    }
    // Each part's pending rows are put in key order; across parts the keys decide the order in
    // which rows count as inserted.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> newRows;
    std::vector<std::vector<std::uint32_t>> sortedKeys(keys.size());
    for (std::uint32_t part = 0; part < keys.size(); ++part) {
        const std::vector<std::uint32_t> order = sortedPending(part);
        if (!isInKeyOrder) table.partAt(part).reorderPending(order);
        const auto committed = static_cast<std::uint32_t>(table.partAt(part).size());
        for (std::uint32_t place = 0; place < order.size(); ++place) {
            newRows.emplace_back(part, committed + place);
            const std::uint32_t* source = keyOf(part, order[place]);
            sortedKeys[part].insert(sortedKeys[part].end(), source, source + keyWidth);
        }
    }
    if (table.partCount() > 1) {
        const auto keyAt = [&](const std::pair<std::uint32_t, std::uint32_t>& entry) {
            const std::size_t place = entry.second - table.partAt(entry.first).size();
            return sortedKeys[entry.first].data() + place * keyWidth;
        };
        std::sort(newRows.begin(), newRows.end(), [&](const auto& left, const auto& right) {
            const std::uint32_t* a = keyAt(left);
            const std::uint32_t* b = keyAt(right);
            return std::lexicographical_compare(a, a + keyWidth, b, b + keyWidth);
        });
    }
    table.commitPending(newRows);
    forget();
}

void PendingRows::forget() {
    keys.clear();
    count = 0;
    std::fill(lastKey.begin(), lastKey.end(), 0);
    isInKeyOrder = true;
}
