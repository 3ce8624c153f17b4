#pragma once

#include <cstddef>
#include <string>

#include "data/Comparison.h"

// A comparison of two variables, X<=Y, and the input columns where its text and its right
// side start.
class RuleFilterAttribute {
public:
    RuleFilterAttribute(Comparison op, std::string left, std::string right, std::size_t column,
                        std::size_t rightColumn);

    Comparison getOp() const { return op; }
    std::string getLeft() const { return left; }
    const std::string& leftView() const { return left; }
    std::string getRight() const { return right; }
    const std::string& rightView() const { return right; }
    std::size_t getInputColumn() const { return inputColumn; }
    std::size_t getRightInputColumn() const { return rightInputColumn; }

    std::string toString() const;

private:
    Comparison op;
    std::string left;
    std::string right;
    std::size_t inputColumn;
    std::size_t rightInputColumn;
};
