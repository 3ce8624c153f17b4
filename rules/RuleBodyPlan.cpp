#include "rules/RuleBodyPlan.h"

#include <algorithm>

#include "data/DataInteger.h"
#include "data/DataString.h"

namespace {

constexpr int kUnbound = -1;
constexpr int kAssigned = -2;

ValueId internConstant(const Data* value, ValuePool& pool) {
    if (const auto* integer = dynamic_cast<const DataInteger*>(value)) {
        return pool.internInteger(integer->getValue());
    }
    return pool.internString(dynamic_cast<const DataString&>(*value).valueView());
}

// The body result's columns come from its variable names joined by "," and split again, so a
// name holding a quoted comma makes more columns than the rows have values.
std::vector<std::string> resultColumnNames(const std::vector<std::string>& variables) {
    std::string joined;
    for (const std::string& name : variables) joined += name + ",";
    if (!joined.empty()) joined.pop_back();
    std::vector<std::string> columns;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = joined.find(',', start);
        columns.emplace_back(joined.substr(start, comma - start));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return columns;
}

}  // namespace

RuleBodyPlan::RuleBodyPlan(const RuleBody& body, const std::vector<std::string>& headColumns,
                           ValuePool& pool) {
    // A body without references yields nothing, whatever its comparisons say.
    if (body.getRelationElements().empty()) {
        neverSatisfied = true;
        return;
    }
    slotNames = body.variableNames();
    slotCount = static_cast<std::uint32_t>(slotNames.size());
    planReferences(body, pool);
    planComparisons(body, pool);
    planProjection(headColumns);
}

void RuleBodyPlan::planReferences(const RuleBody& body, ValuePool& pool) {
    std::vector<int> boundAt(slotCount, kUnbound);
    const auto slotOf = [this](const std::string& name) {
        return static_cast<std::uint32_t>(std::find(slotNames.begin(), slotNames.end(), name) -
                                          slotNames.begin());
    };
    const auto& elements = body.getRelationElements();
    for (std::size_t k = 0; k < elements.size(); ++k) {
        const std::vector<RuleColumn>& columns = elements[k].columnsView();
        PlanReference reference;
        reference.name = elements[k].getName();
        reference.arity = static_cast<std::uint32_t>(columns.size());
        for (std::uint32_t p = 0; p < columns.size(); ++p) {
            if (columns[p].isConstant()) {
                reference.keyColumns.push_back(p);
                reference.keySources.push_back({true, internConstant(columns[p].getValue(), pool)});
                continue;
            }
            const std::uint32_t slot = slotOf(columns[p].nameView());
            if (boundAt[slot] == static_cast<int>(k)) {
                std::uint32_t first = 0;
                while (columns[first].nameView() != columns[p].nameView()) ++first;
                reference.sameColumns.emplace_back(p, first);
            } else if (boundAt[slot] != kUnbound) {
                reference.keyColumns.push_back(p);
                reference.keySources.push_back({false, slot});
            } else {
                reference.bindings.emplace_back(p, slot);
                boundAt[slot] = static_cast<int>(k);
            }
        }
        references.push_back(std::move(reference));
    }
    boundBy = std::move(boundAt);
}

void RuleBodyPlan::planComparisons(const RuleBody& body, ValuePool& pool) {
    const auto slotOf = [this](const std::string& name) {
        return static_cast<std::size_t>(std::find(slotNames.begin(), slotNames.end(), name) -
                                        slotNames.begin());
    };
    for (const RuleFilterData& filter : body.getDataFilters()) {
        const auto slot = static_cast<std::uint32_t>(slotOf(filter.leftView()));
        const ValueId constant = internConstant(filter.getValue(), pool);
        if (boundBy[slot] >= 0) {
            references[boundBy[slot]].checks.push_back({slot, filter.getOp(), {true, constant}});
        } else if (boundBy[slot] == kAssigned) {
            assignments.push_back({slot, filter.getOp(), constant, false});
        } else if (filter.getOp() == Comparison::Less || filter.getOp() == Comparison::Greater) {
            // Binding the constant would give a row that contradicts the comparison itself.
            neverSatisfied = true;
        } else {
            assignments.push_back({slot, filter.getOp(), constant, true});
            boundBy[slot] = kAssigned;
        }
    }
    for (const RuleFilterAttribute& filter : body.getAttributeFilters()) {
        const std::size_t left = slotOf(filter.leftView());
        const std::size_t right = slotOf(filter.rightView());
        // A variable that nothing binds makes the comparison fail for every combination.
        if (left >= slotCount || right >= slotCount || boundBy[left] == kUnbound ||
            boundBy[right] == kUnbound) {
            neverSatisfied = true;
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
    for (const std::string& head : headColumns) {
        const auto position = static_cast<std::size_t>(
            std::find(columns.begin(), columns.end(), head) - columns.begin());
        if (position < columns.size() && position < slotCount) {
            projection.push_back(static_cast<std::uint32_t>(position));
        } else if (!head.empty()) {
            neverSatisfied = true;
        }
    }
}
