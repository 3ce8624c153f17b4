#include "rules/RuleFilterData.h"

#include <utility>

#include "data/ValueText.h"

RuleFilterData::RuleFilterData(Comparison code, std::string variable, Value constant,
                               std::size_t column, std::size_t valueColumn)
    : op(code),
      left(std::move(variable)),
      value(std::move(constant)),
      inputColumn(column),
      valueInputColumn(valueColumn) {}

std::string RuleFilterData::toString() const {
    std::string text = left;
    text += comparisonText(op);
    appendValueText(text, value);
    return text;
}
