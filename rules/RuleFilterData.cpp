#include "rules/RuleFilterData.h"

#include <utility>

#include "data/Data.h"
#include "data/DataRow.h"

RuleFilterData::RuleFilterData(Comparison code, std::string variable, const Data* constant)
    : op(code), left(std::move(variable)), value(constant) {}

bool RuleFilterData::accepts(const DataRow& row) const {
    return row.size() == 0 || holds(*row.get(0));
}

bool RuleFilterData::holds(const Data& variableValue) const {
    return compareValues(variableValue, op, *value);
}

std::string RuleFilterData::toString() const {
    return left + std::string(comparisonText(op)) + value->toString();
}
