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
    const RelationTable::Offer found = table.offerPending(row, arity);
    if (found.offered == RelationPart::Offered::Committed) return;
    std::fill(key.begin(), key.end(), 0);
    key[0] = body;
    std::copy(positions, positions + referenceCount, key.begin() + 1);
    if (keys.size() <= found.part) keys.resize(found.part + 1);
    std::vector<std::uint32_t>& partKeys = keys[found.part];
    if (found.offered == RelationPart::Offered::Added) {
        // Within one pass rows come in key order; sorting is needed only when they do not.
        if (std::lexicographical_compare(key.begin(), key.end(), lastKey.begin(), lastKey.end())) {
            isInKeyOrder = false;
        }
        std::copy(key.begin(), key.end(), lastKey.begin());
        for (std::uint32_t element : key) partKeys.push_back(element);
        ++count;
        return;
    }
    const std::size_t pendingNumber = found.position - table.partAt(found.part).size();
    const auto stored = partKeys.begin() + static_cast<std::ptrdiff_t>(pendingNumber * keyWidth);
    if (std::lexicographical_compare(key.begin(), key.end(), stored, stored + keyWidth)) {
        std::copy(key.begin(), key.end(), stored);
        isInKeyOrder = false;
    }
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
    keys.clear();
    count = 0;
    std::fill(lastKey.begin(), lastKey.end(), 0);
    isInKeyOrder = true;
}
