#include "data/RelationTable.h"

#include <cassert>
#include <utility>

#include "data/RowHashing.h"

RelationTable::RelationTable(std::string tableName) : name(std::move(tableName)) {}

const RelationPart* RelationTable::findPart(std::size_t arity) const {
    for (const auto& part : parts) {
        if (part->getArity() == arity) return part.get();
    }
    return nullptr;
}

RelationPart* RelationTable::findPart(std::size_t arity) {
    return const_cast<RelationPart*>(std::as_const(*this).findPart(arity));
}

std::uint32_t RelationTable::findOrAddPart(std::size_t arity) {
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (parts[i]->getArity() == arity) return static_cast<std::uint32_t>(i);
    }
    if (parts.size() == 1) {
        for (std::size_t i = 0; i < parts[0]->size(); ++i) {
            order.emplace_back(0, static_cast<std::uint32_t>(i));
        }
    }
    parts.push_back(std::make_unique<RelationPart>(arity));
    return static_cast<std::uint32_t>(parts.size() - 1);
}

bool RelationTable::insert(const ValueId* values, std::size_t arity) {
    return insert(values, arity, static_cast<std::uint32_t>(hashValueIds(values, arity)));
}

bool RelationTable::insert(const ValueId* values, std::size_t arity, std::uint32_t tag) {
    const std::uint32_t partNumber = ensurePart(arity);
    const auto [position, isNew] = parts[partNumber]->insert(values, tag);
    if (isNew && parts.size() > 1) {
        order.emplace_back(partNumber, static_cast<std::uint32_t>(position));
    }
    return isNew;
}

void RelationTable::commitPending(
    const std::vector<std::pair<std::uint32_t, std::uint32_t>>& newRows) {
    for (const auto& part : parts) part->commitPending();
    assert(parts.size() <= 1 || !newRows.empty() || size() == order.size());
    if (parts.size() > 1) order.insert(order.end(), newRows.begin(), newRows.end());
}

std::size_t RelationTable::size() const {
    std::size_t total = 0;
    for (const auto& part : parts) total += part->size();
    return total;
}

void RelationTable::markDeltaStart() {
    for (const auto& part : parts) part->markDeltaStart();
}

std::size_t RelationTable::numberOf(std::size_t arity, std::size_t position) const {
    if (parts.size() <= 1) return position;
    for (std::size_t number = 0; number < order.size(); ++number) {
        const auto [part, at] = order[number];
        if (at == position && parts[part]->getArity() == arity) return number;
    }
    return position;
}
