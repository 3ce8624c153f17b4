#include "data/RelationIndex.h"

#include <algorithm>
#include <utility>

#include "data/RelationPart.h"
#include "data/RowHashing.h"

namespace {

std::uint32_t tagOf(std::uint64_t slot) { return static_cast<std::uint32_t>(slot >> 32); }
std::size_t groupOf(std::uint64_t slot) { return (slot & 0xFFFFFFFFu) - 1; }

}  // namespace

RelationIndex::RelationIndex(std::vector<std::uint32_t> columns)
    : keyColumns(std::move(columns)), slots(16, 0) {}

bool RelationIndex::keyEquals(std::size_t group, const ValueId* key) const {
    const std::size_t width = keyColumns.size();
    const ValueId* stored = groupKeys.data() + group * width;
    for (std::size_t i = 0; i < width; ++i) {
        if (stored[i] != key[i]) return false;
    }
    return true;
}

// Linear probing over tagged slots; returns the slot of the key's group or the free slot where
// it would go. Keys are compared from the index's own copy, not from the rows.
std::size_t RelationIndex::findSlot(const ValueId* key, std::uint32_t tag) const {
    const std::size_t mask = slots.size() - 1;
    for (std::size_t slot = tag & mask;; slot = (slot + 1) & mask) {
        const std::uint64_t entry = slots[slot];
        if (entry == 0) return slot;
        if (tagOf(entry) == tag && keyEquals(groupOf(entry), key)) return slot;
    }
}

void RelationIndex::grow() {
    std::vector<std::uint64_t> old(slots.size() * 2, 0);
    old.swap(slots);
    const std::size_t mask = slots.size() - 1;
    for (std::uint64_t entry : old) {
        if (entry == 0) continue;
        std::size_t slot = tagOf(entry) & mask;
        while (slots[slot] != 0) slot = (slot + 1) & mask;
        slots[slot] = entry;
    }
}

void RelationIndex::extend(const RelationPart& part) {
    std::vector<ValueId> key(keyColumns.size());
    for (; coveredRows < part.size(); ++coveredRows) {
        const ValueId* row = part.row(coveredRows);
        for (std::size_t i = 0; i < keyColumns.size(); ++i) key[i] = row[keyColumns[i]];
        const auto tag = static_cast<std::uint32_t>(hashValueIds(key.data(), key.size()));
        const std::size_t slot = findSlot(key.data(), tag);
        const auto position = static_cast<std::uint32_t>(coveredRows);
        if (slots[slot] != 0) {
            groups[groupOf(slots[slot])].push_back(position);
            bounds[groupOf(slots[slot])].second = position;
            continue;
        }
        groups.push_back({position});
        bounds.emplace_back(position, position);
        groupKeys.insert(groupKeys.end(), key.begin(), key.end());
        slots[slot] = (std::uint64_t{tag} << 32) | groups.size();
        if (groups.size() * 2 > slots.size()) grow();
    }
}

std::uint32_t RelationIndex::findGroup(const ValueId* key) const {
    const auto tag = static_cast<std::uint32_t>(hashValueIds(key, keyColumns.size()));
    const std::uint64_t entry = slots[findSlot(key, tag)];
    return entry == 0 ? kNoGroup : static_cast<std::uint32_t>(groupOf(entry));
}

const std::vector<std::uint32_t>* RelationIndex::find(const ValueId* key) const {
    const std::uint32_t group = findGroup(key);
    return group == kNoGroup ? nullptr : &groups[group];
}
