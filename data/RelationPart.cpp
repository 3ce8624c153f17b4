#include "data/RelationPart.h"

#include "data/RowHashing.h"

RelationPart::RelationPart(std::size_t rowArity) : arity(rowArity), slots(16, 0) {}

bool RelationPart::rowEquals(std::size_t position, const ValueId* values) const {
    const ValueId* stored = row(position);
    for (std::size_t i = 0; i < arity; ++i) {
        if (stored[i] != values[i]) return false;
    }
    return true;
}

// Linear probing; returns the slot holding an equal row or the free slot where it would go.
std::size_t RelationPart::findSlot(const ValueId* values, std::uint64_t hash) const {
    const std::size_t mask = slots.size() - 1;
    for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
        if (slots[slot] == 0 || rowEquals(slots[slot] - 1, values)) return slot;
    }
}

void RelationPart::grow() {
    std::vector<std::uint32_t> old(slots.size() * 2, 0);
    old.swap(slots);
    const std::size_t mask = slots.size() - 1;
    for (std::uint32_t entry : old) {
        if (entry == 0) continue;
        std::size_t slot = hashValueIds(row(entry - 1), arity) & mask;
        while (slots[slot] != 0) slot = (slot + 1) & mask;
        slots[slot] = entry;
    }
}

std::pair<std::size_t, bool> RelationPart::insert(const ValueId* values) {
    const std::uint64_t hash = hashValueIds(values, arity);
    const std::size_t slot = findSlot(values, hash);
    if (slots[slot] != 0) return {slots[slot] - 1, false};
    const std::size_t position = rowCount++;
    cells.insert(cells.end(), values, values + arity);
    slots[slot] = static_cast<std::uint32_t>(position + 1);
    if (rowCount * 2 > slots.size()) grow();
    return {position, true};
}

bool RelationPart::contains(const ValueId* values) const {
    return slots[findSlot(values, hashValueIds(values, arity))] != 0;
}

const RelationIndex& RelationPart::index(const std::vector<std::uint32_t>& keyColumns) const {
    RelationIndex* chosen = nullptr;
    for (const auto& existing : indexes) {
        if (existing->getKeyColumns() == keyColumns) chosen = existing.get();
    }
    if (chosen == nullptr) {
        indexes.push_back(std::make_unique<RelationIndex>(keyColumns));
        chosen = indexes.back().get();
    }
    chosen->extend(*this);
    return *chosen;
}
