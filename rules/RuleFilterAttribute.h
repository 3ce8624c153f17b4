#pragma once

#include <string>

#include "data/Comparison.h"
#include "rules/RuleElement.h"

class Data;

// A comparison of two variables: X<=Y.
class RuleFilterAttribute final : public RuleElement {
public:
    RuleFilterAttribute(Comparison op, std::string left, std::string right);

    Comparison getOp() const { return op; }
    std::string getLeft() const { return left; }
    const std::string& leftView() const { return left; }
    std::string getRight() const { return right; }
    const std::string& rightView() const { return right; }

    // Given the values bound to left and right (a row of two values), whether the comparison
    // holds. A shorter row means a variable is unbound, and then the comparison fails.
    bool accepts(const DataRow& row) const override;
    bool holds(const Data& leftValue, const Data& rightValue) const;
    std::string toString() const;

private:
    Comparison op;
    std::string left;
    std::string right;
};
