#include "data/RelationIndex.h"

#include <utility>

#include "data/RelationPart.h"
#include "data/RowHashing.h"

RelationIndex::RelationIndex(std::vector<std::uint32_t> columns)
    : keyColumns(std::move(columns)), slots(16, 0) {}

std::uint64_t RelationIndex::hashRowKey(const ValueId* row) const {
    ValueIdHasher hasher(keyColumns.size());
    for (std::uint32_t column : keyColumns) hasher.add(row[column]);
    return hasher.finish();
}

bool RelationIndex::keyMatches(const RelationPart& part, std::uint32_t group,
                               const ValueId* key) const {
    const ValueId* row = part.row(groups[group].front());
    for (std::size_t i = 0; i < keyColumns.size(); ++i) {
        if (row[keyColumns[i]] != key[i]) return false;
    }
    return true;
}

bool RelationIndex::rowKeyMatches(const RelationPart& part, std::uint32_t group,
                                  const ValueId* row) const {
    const ValueId* first = part.row(groups[group].front());
    for (std::uint32_t column : keyColumns) {
        if (first[column] != row[column]) return false;
    }
    return true;
}

void RelationIndex::grow(const RelationPart& part) {
    std::vector<std::uint32_t> old(slots.size() * 2, 0);
    old.swap(slots);
    const std::size_t mask = slots.size() - 1;
    for (std::uint32_t entry : old) {
        if (entry == 0) continue;
        std::size_t slot = hashRowKey(part.row(groups[entry - 1].front())) & mask;
        while (slots[slot] != 0) slot = (slot + 1) & mask;
        slots[slot] = entry;
    }
}

void RelationIndex::extend(const RelationPart& part) {
    for (; coveredRows < part.size(); ++coveredRows) {
        const ValueId* row = part.row(coveredRows);
        const std::size_t mask = slots.size() - 1;
        std::size_t slot = hashRowKey(row) & mask;
        while (slots[slot] != 0 && !rowKeyMatches(part, slots[slot] - 1, row)) {
            slot = (slot + 1) & mask;
        }
        if (slots[slot] != 0) {
            groups[slots[slot] - 1].push_back(static_cast<std::uint32_t>(coveredRows));
            continue;
        }
        groups.push_back({static_cast<std::uint32_t>(coveredRows)});
        slots[slot] = static_cast<std::uint32_t>(groups.size());
        if (groups.size() * 2 > slots.size()) grow(part);
    }
}

const std::vector<std::uint32_t>* RelationIndex::find(const RelationPart& part,
                                                      const ValueId* key) const {
    const std::size_t mask = slots.size() - 1;
    for (std::size_t slot = hashValueIds(key, keyColumns.size()) & mask;;
         slot = (slot + 1) & mask) {
        if (slots[slot] == 0) return nullptr;
        if (keyMatches(part, slots[slot] - 1, key)) return &groups[slots[slot] - 1];
    }
}
