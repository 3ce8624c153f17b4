#pragma once

#include <string>

#include "data/Comparison.h"
#include "rules/RuleElement.h"

class Data;

// A comparison of a variable with a constant, the variable on the left: X<5.
class RuleFilterData final : public RuleElement {
public:
    RuleFilterData(Comparison op, std::string left, const Data* value);

    Comparison getOp() const { return op; }
    std::string getLeft() const { return left; }
    const std::string& leftView() const { return left; }
    const Data* getValue() const { return value; }

    // Given the value bound to the variable (a row of one value), whether the comparison holds.
    // A row without values means the variable is unbound, which the test lets pass.
    bool accepts(const DataRow& row) const override;
    bool holds(const Data& variableValue) const;
    std::string toString() const;

private:
    Comparison op;
    std::string left;
    const Data* value;
};
