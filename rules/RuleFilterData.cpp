#include "rules/RuleFilterData.h"

#include <utility>

#include "data/ValueText.h"

RuleFilterData::RuleFilterData(Comparison code, std::string variable, Value constant,
                               std::size_t column)
    : op(code), left(std::move(variable)), value(std::move(constant)), inputColumn(column) {}

std::string RuleFilterData::toString() const {
    std::string text = left;
    text += comparisonText(op);
    appendValueText(text, value);
    return text;
}
