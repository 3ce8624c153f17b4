#include "data/RelationIndex.h"

#include <algorithm>
#include <utility>

#include "data/RelationPart.h"
#include "data/RowHashing.h"

RelationIndex::RelationIndex(std::vector<std::uint32_t> columns) : keyColumns(std::move(columns)) {}

bool RelationIndex::keyEquals(std::size_t group, const ValueId* key) const {
    const std::size_t width = keyColumns.size();
    const ValueId* stored = groupKeys.data() + group * width;
    for (std::size_t i = 0; i < width; ++i) {
        if (stored[i] != key[i]) return false;
    }
    return true;
}

// The slot of the key's group or the free slot where it would go. Keys are compared from the
// index's own copy, not from the rows.
std::size_t RelationIndex::findSlot(const ValueId* key, std::uint32_t tag) const {
    return slots.find(tag, [&](std::size_t group) { return keyEquals(group, key); });
}

void RelationIndex::extend(const RelationPart& part) {
    std::vector<ValueId> key(keyColumns.size());
    for (; coveredRows < part.size(); ++coveredRows) {
        const ValueId* row = part.row(coveredRows);
        for (std::size_t i = 0; i < keyColumns.size(); ++i) key[i] = row[keyColumns[i]];
        const auto tag = static_cast<std::uint32_t>(hashValueIds(key.data(), key.size()));
        const std::size_t slot = findSlot(key.data(), tag);
        const auto position = static_cast<std::uint32_t>(coveredRows);
        const std::size_t group = slots.numberAt(slot);
        if (group != TaggedSlots::kNone) {
            std::uint32_t& list = listOfGroup[group];
            if (list == kSinglePosition) {
                list = static_cast<std::uint32_t>(lists.size());
                lists.push_back({bounds[group].first});
            }
            lists[list].push_back(position);
            bounds[group].second = position;
            continue;
        }
        slots.fill(slot, tag, listOfGroup.size());
        listOfGroup.push_back(kSinglePosition);
        bounds.emplace_back(position, position);
        groupKeys.insert(groupKeys.end(), key.begin(), key.end());
    }
}

std::uint32_t RelationIndex::findGroup(const ValueId* key) const {
    const auto tag = static_cast<std::uint32_t>(hashValueIds(key, keyColumns.size()));
    const std::size_t group = slots.numberAt(findSlot(key, tag));
    return group == TaggedSlots::kNone ? kNoGroup : static_cast<std::uint32_t>(group);
}

std::span<const std::uint32_t> RelationIndex::find(const ValueId* key) const {
    const std::uint32_t group = findGroup(key);
    if (group == kNoGroup) return {};
    return positions(group);
}
