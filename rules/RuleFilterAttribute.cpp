#include "rules/RuleFilterAttribute.h"

#include <utility>

#include "data/DataRow.h"

RuleFilterAttribute::RuleFilterAttribute(Comparison code, std::string leftVariable,
                                         std::string rightVariable)
    : op(code), left(std::move(leftVariable)), right(std::move(rightVariable)) {}

bool RuleFilterAttribute::accepts(const DataRow& row) const {
    return row.size() >= 2 && holds(*row.get(0), *row.get(1));
}

bool RuleFilterAttribute::holds(const Data& leftValue, const Data& rightValue) const {
    return compareValues(leftValue, op, rightValue);
}

std::string RuleFilterAttribute::toString() const {
    return left + std::string(comparisonText(op)) + right;
}
