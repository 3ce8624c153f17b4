#pragma once

#include <cstddef>
#include <string>

#include "data/Comparison.h"

// A comparison of two variables, X<=Y, and the input column where its text starts.
class RuleFilterAttribute {
public:
    RuleFilterAttribute(Comparison op, std::string left, std::string right, std::size_t column);

    Comparison getOp() const { return op; }
    std::string getLeft() const { return left; }
    const std::string& leftView() const { return left; }
    std::string getRight() const { return right; }
    const std::string& rightView() const { return right; }
    std::size_t getInputColumn() const { return inputColumn; }

    std::string toString() const;

private:
    Comparison op;
    std::string left;
    std::string right;
    std::size_t inputColumn;
};
