#include "data/RelationPart.h"

#include <algorithm>

#include "data/RowHashing.h"

RelationPart::RelationPart(std::size_t rowArity) : arity(rowArity) {}

bool RelationPart::rowEquals(std::size_t position, const ValueId* values) const {
    const ValueId* stored = row(position);
    for (std::size_t i = 0; i < arity; ++i) {
        if (stored[i] != values[i]) return false;
    }
    return true;
}

// Returns the slot holding an equal row or the free slot where it would go.
std::size_t RelationPart::findSlot(const ValueId* values, std::uint32_t tag) const {
    return slots.find(tag, [&](std::size_t position) { return rowEquals(position, values); });
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
    const std::size_t found = slots.numberAt(slot);
    if (found != TaggedSlots::kNone) {
        return {found, found < committedCount ? Offered::Committed : Offered::Pending};
    }
    const std::size_t position = rowCount++;
    for (std::size_t i = 0; i < arity; ++i) cells.push_back(values[i]);
    slots.fill(slot, tag, position, [this](std::size_t number) { return hashOf(row(number)); });
    return {position, Offered::Added};
}

std::pair<std::size_t, bool> RelationPart::insert(const ValueId* values, std::uint32_t tag) {
    const auto [position, offered] = offer(values, tag);
    commitPending();
    return {position, offered == Offered::Added};
}

bool RelationPart::contains(const ValueId* values) const { return find(values) != kNotFound; }

std::size_t RelationPart::find(const ValueId* values) const {
    const std::size_t position = slots.numberAt(findSlot(values, hashOf(values)));
    return position < committedCount ? position : kNotFound;
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
    std::vector<std::size_t> slotOfRow(order.size());
    for (std::size_t old = 0; old < order.size(); ++old) {
        const std::size_t position = committedCount + old;
        slotOfRow[old] = slots.find(hashOf(pendingCells.data() + old * arity),
                                    [position](std::size_t number) { return number == position; });
    }
    for (std::size_t old = 0; old < order.size(); ++old) {
        slots.renumber(slotOfRow[old], committedCount + newPlace[old]);
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
