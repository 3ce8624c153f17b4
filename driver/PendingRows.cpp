#include "driver/PendingRows.h"

#include <algorithm>

PendingRows::PendingRows(std::size_t maxReferences)
    : keyWidth(maxReferences + 1), key(maxReferences + 1, 0), lastKey(maxReferences + 1, 0) {}

PendingRows::Group& PendingRows::groupFor(std::size_t arity) {
    for (Group& group : groups) {
        if (group.rows.getArity() == arity) return group;
    }
    return groups.emplace_back(Group{RelationPart(arity), {}});
}

void PendingRows::offer(const ValueId* row, std::size_t arity, std::uint32_t body,
                        const std::uint32_t* positions, std::size_t referenceCount) {
    std::fill(key.begin(), key.end(), 0);
    key[0] = body;
    std::copy(positions, positions + referenceCount, key.begin() + 1);
    Group& group = groupFor(arity);
    const auto [position, isNew] = group.rows.insert(row);
    if (isNew) {
        // Within one pass rows come in key order; sorting is needed only when they do not.
        if (std::lexicographical_compare(key.begin(), key.end(), lastKey.begin(), lastKey.end())) {
            isInKeyOrder = false;
        }
        lastKey = key;
        group.keys.insert(group.keys.end(), key.begin(), key.end());
        if (groups.size() > 1) isInKeyOrder = false;
        return;
    }
    const auto stored = group.keys.begin() + static_cast<std::ptrdiff_t>(position * keyWidth);
    if (std::lexicographical_compare(key.begin(), key.end(), stored, stored + keyWidth)) {
        std::copy(key.begin(), key.end(), stored);
        isInKeyOrder = false;
    }
}

bool PendingRows::isEmpty() const {
    for (const Group& group : groups) {
        if (group.rows.size() > 0) return false;
    }
    return true;
}

void PendingRows::moveInto(RelationTable& table) {
    if (isInKeyOrder && groups.size() == 1) {
        const RelationPart& rows = groups.front().rows;
        for (std::size_t i = 0; i < rows.size(); ++i) table.insert(rows.row(i), rows.getArity());
        forget();
        return;
    }
    std::vector<std::pair<std::uint32_t, std::uint32_t>> order;  // (group, position)
    for (std::uint32_t g = 0; g < groups.size(); ++g) {
        for (std::uint32_t i = 0; i < groups[g].rows.size(); ++i) order.emplace_back(g, i);
    }
    const auto keyOf = [this](const std::pair<std::uint32_t, std::uint32_t>& entry) {
        return groups[entry.first].keys.data() + std::size_t{entry.second} * keyWidth;
    };
    std::sort(order.begin(), order.end(), [&](const auto& left, const auto& right) {
        const std::uint32_t* a = keyOf(left);
        const std::uint32_t* b = keyOf(right);
        return std::lexicographical_compare(a, a + keyWidth, b, b + keyWidth);
    });
    for (const auto& [group, position] : order) {
        const RelationPart& rows = groups[group].rows;
        table.insert(rows.row(position), rows.getArity());
    }
    forget();
}

void PendingRows::forget() {
    groups.clear();
    std::fill(lastKey.begin(), lastKey.end(), 0);
    isInKeyOrder = true;
}
