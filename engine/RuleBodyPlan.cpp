#include "engine/RuleBodyPlan.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>

#include "data/Literal.h"

namespace {

constexpr int kUnbound = -1;
constexpr int kAssigned = -2;

// The body result's columns come from its variable names joined by "," and split again, so a
// name holding a quoted comma makes more columns than the rows have values.
std::vector<std::string> resultColumnNames(const std::vector<std::string>& variables) {
    std::string joined;
    for (const std::string& name : variables) joined += name + ",";
    if (!joined.empty()) joined.pop_back();
    std::vector<std::string> columns;
    forEachCommaPiece(joined, [&columns](std::string_view piece) { columns.emplace_back(piece); });
    return columns;
}

}  // namespace

std::uint32_t RuleBodyPlan::slotOf(const SlotNames& slots, std::string_view name) const {
    const auto found = slots.find(name);
    return found == slots.end() ? slotCount : found->second;
}

RuleBodyPlan::RuleBodyPlan(const RuleBody& body, const std::vector<std::string>& headColumns,
                           ValuePool& pool) {
    // A body without references yields nothing, whatever its comparisons say.
    if (body.getRelationElements().empty()) {
        reasons.push_back({NoRowsReason::Kind::NoReference});
        return;
    }
    slotNames = body.variableNames();
    slotCount = static_cast<std::uint32_t>(slotNames.size());
    SlotNames slots;
    for (std::uint32_t slot = 0; slot < slotCount; ++slot) slots.emplace(slotNames[slot], slot);
    planReferences(body, slots, pool);
    planComparisons(body, slots, pool);
    planProjection(headColumns);
    planLookups();
}

void RuleBodyPlan::planLookups() {
    for (PlanReference& reference : references) {
        const std::size_t keyWidth = reference.keyColumns.size();
        if (keyWidth == 0) {
            reference.lookup = PlanLookup::Scan;
        } else if (keyWidth == reference.arity) {
            reference.lookup = PlanLookup::WholeRow;  // key columns in column order: the row
        } else {
            reference.lookup = PlanLookup::Index;
        }
    }
}

void RuleBodyPlan::planReferences(const RuleBody& body, const SlotNames& slots, ValuePool& pool) {
    std::vector<int> boundAt(slotCount, kUnbound);
    std::vector<std::uint32_t> boundInColumn(slotCount, 0);
    const auto& elements = body.getRelationElements();
    for (std::size_t k = 0; k < elements.size(); ++k) {
        const std::vector<RuleColumn>& columns = elements[k].columnsView();
        PlanReference reference;
        reference.name = elements[k].getName();
        reference.arity = static_cast<std::uint32_t>(columns.size());
        for (std::uint32_t p = 0; p < columns.size(); ++p) {
            if (columns[p].isConstant()) {
                reference.keyColumns.push_back(p);
                reference.keySources.push_back({true, pool.intern(columns[p].getValue())});
                continue;
            }
            const std::uint32_t slot = slotOf(slots, columns[p].nameView());
            if (boundAt[slot] == static_cast<int>(k)) {
                reference.sameColumns.emplace_back(p, boundInColumn[slot]);
            } else if (boundAt[slot] != kUnbound) {
                reference.keyColumns.push_back(p);
                reference.keySources.push_back({false, slot});
            } else {
                reference.bindings.emplace_back(p, slot);
                boundAt[slot] = static_cast<int>(k);
                boundInColumn[slot] = p;
            }
        }
        references.push_back(std::move(reference));
    }
    boundBy = std::move(boundAt);
}

void RuleBodyPlan::planComparisons(const RuleBody& body, const SlotNames& slots, ValuePool& pool) {
    const std::vector<RuleFilterData>& dataFilters = body.getDataFilters();
    for (std::size_t f = 0; f < dataFilters.size(); ++f) {
        const RuleFilterData& filter = dataFilters[f];
        const std::uint32_t slot = slotOf(slots, filter.leftView());
        const ValueId constant = pool.intern(filter.getValue());
        if (boundBy[slot] >= 0) {
            references[boundBy[slot]].checks.push_back({slot, filter.getOp(), {true, constant}});
        } else if (boundBy[slot] == kAssigned) {
            assignments.push_back({slot, filter.getOp(), constant, false});
        } else if (filter.getOp() == Comparison::Less || filter.getOp() == Comparison::Greater) {
            // Binding the constant would give a row that contradicts the comparison itself.
            reasons.push_back({NoRowsReason::Kind::ContradictoryComparison, f});
        } else {
            assignments.push_back({slot, filter.getOp(), constant, true});
            boundBy[slot] = kAssigned;
        }
    }
    const std::vector<RuleFilterAttribute>& attributeFilters = body.getAttributeFilters();
    for (std::size_t f = 0; f < attributeFilters.size(); ++f) {
        const RuleFilterAttribute& filter = attributeFilters[f];
        const std::uint32_t left = slotOf(slots, filter.leftView());
        const std::uint32_t right = slotOf(slots, filter.rightView());
        // A variable that nothing binds makes the comparison fail for every combination.
        if (left >= slotCount || right >= slotCount || boundBy[left] == kUnbound ||
            boundBy[right] == kUnbound) {
            reasons.push_back({NoRowsReason::Kind::UnboundComparedVariable, f});
            continue;
        }
        const PlanCheck check{static_cast<std::uint32_t>(left),
                              filter.getOp(),
                              {false, static_cast<std::uint32_t>(right)}};
        if (boundBy[left] >= 0 && boundBy[right] >= 0) {
            references[std::max(boundBy[left], boundBy[right])].checks.push_back(check);
        } else {
            finalChecks.push_back(check);
        }
    }
}

// Each head column takes the first result column of its name. A named head column that the
// result lacks, or that lies past the end of its rows, keeps the body from contributing; an
// unnamed one is simply left out there.
void RuleBodyPlan::planProjection(const std::vector<std::string>& headColumns) {
    const std::vector<std::string> columns = resultColumnNames(slotNames);
    std::unordered_map<std::string_view, std::size_t> firstColumn;
    for (std::size_t i = 0; i < columns.size(); ++i) firstColumn.emplace(columns[i], i);
    for (std::size_t h = 0; h < headColumns.size(); ++h) {
        const std::string& head = headColumns[h];
        const auto found = firstColumn.find(head);
        const std::size_t position = found == firstColumn.end() ? columns.size() : found->second;
        if (position < columns.size() && position < slotCount) {
            projection.push_back(static_cast<std::uint32_t>(position));
        } else if (!head.empty()) {
            reasons.push_back({NoRowsReason::Kind::UnboundHeadVariable, h});
        }
    }
}
