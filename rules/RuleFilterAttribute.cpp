#include "rules/RuleFilterAttribute.h"

#include <utility>

RuleFilterAttribute::RuleFilterAttribute(Comparison code, std::string leftVariable,
                                         std::string rightVariable, std::size_t column,
                                         std::size_t rightColumn)
    : op(code),
      left(std::move(leftVariable)),
      right(std::move(rightVariable)),
      inputColumn(column),
      rightInputColumn(rightColumn) {}

std::string RuleFilterAttribute::toString() const {
    return left + std::string(comparisonText(op)) + right;
}
