#include "data/RelationPart.h"

#include <algorithm>

#include "data/RowHashing.h"

RelationPart::RelationPart(std::size_t rowArity) : arity(rowArity), slots(16, 0) {}

bool RelationPart::rowEquals(std::size_t position, const ValueId* values) const {
    const ValueId* stored = row(position);
    for (std::size_t i = 0; i < arity; ++i) {
        if (stored[i] != values[i]) return false;
    }
    return true;
}

namespace {

std::uint32_t tagOf(std::uint64_t slot) { return static_cast<std::uint32_t>(slot >> 32); }
std::size_t positionOf(std::uint64_t slot) { return (slot & 0xFFFFFFFFu) - 1; }

}  // namespace

// Linear probing; returns the slot holding an equal row or the free slot where it would go.
std::size_t RelationPart::findSlot(const ValueId* values, std::uint32_t tag) const {
    const std::size_t mask = slots.size() - 1;
    for (std::size_t slot = tag & mask;; slot = (slot + 1) & mask) {
        const std::uint64_t entry = slots[slot];
        if (entry == 0) return slot;
        if (tagOf(entry) == tag && rowEquals(positionOf(entry), values)) return slot;
    }
}

void RelationPart::grow() {
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

std::uint32_t RelationPart::hashOf(const ValueId* values) const {
    return static_cast<std::uint32_t>(hashValueIds(values, arity));
}

std::pair<std::size_t, RelationPart::Offered> RelationPart::offer(const ValueId* values) {
    return offer(values, hashOf(values));
}

std::pair<std::size_t, RelationPart::Offered> RelationPart::offer(const ValueId* values,
                                                                  std::uint32_t tag) {
    const std::size_t slot = findSlot(values, tag);
    if (slots[slot] != 0) {
        const std::size_t position = positionOf(slots[slot]);
        return {position, position < committedCount ? Offered::Committed : Offered::Pending};
    }
    const std::size_t position = rowCount++;
    for (std::size_t i = 0; i < arity; ++i) cells.push_back(values[i]);
    slots[slot] = (std::uint64_t{tag} << 32) | (position + 1);
    if (rowCount * 2 > slots.size()) grow();
    return {position, Offered::Added};
}

std::pair<std::size_t, bool> RelationPart::insert(const ValueId* values) {
    const auto [position, offered] = offer(values);
    commitPending();
    return {position, offered == Offered::Added};
}

bool RelationPart::contains(const ValueId* values) const { return find(values) != kNotFound; }

std::size_t RelationPart::find(const ValueId* values) const {
    const std::uint64_t entry = slots[findSlot(values, hashOf(values))];
    if (entry == 0 || positionOf(entry) >= committedCount) return kNotFound;
    return positionOf(entry);
}

// Moves the pending rows' cells into the new order and points their hash slots at the new
// positions; committed rows are not touched.
void RelationPart::reorderPending(const std::vector<std::uint32_t>& order) {
    const std::vector<ValueId> pendingCells(cells.begin() + committedCount * arity, cells.end());
    std::vector<std::uint32_t> newPlace(order.size());
    for (std::size_t place = 0; place < order.size(); ++place) {
        newPlace[order[place]] = static_cast<std::uint32_t>(place);
        std::copy_n(pendingCells.begin() + std::size_t{order[place]} * arity, arity,
                    cells.begin() + (committedCount + place) * arity);
    }
    // All slots are found before any is changed, so no search meets a rewritten position.
    const std::size_t mask = slots.size() - 1;
    std::vector<std::size_t> slotOfRow(order.size());
    for (std::size_t old = 0; old < order.size(); ++old) {
        const ValueId* values = pendingCells.data() + old * arity;
        std::size_t slot = hashValueIds(values, arity) & 0xFFFFFFFFu & mask;
        while (positionOf(slots[slot]) != committedCount + old) slot = (slot + 1) & mask;
        slotOfRow[old] = slot;
    }
    for (std::size_t old = 0; old < order.size(); ++old) {
        std::uint64_t& entry = slots[slotOfRow[old]];
        entry = (entry & ~std::uint64_t{0xFFFFFFFFu}) | (committedCount + newPlace[old] + 1);
    }
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
