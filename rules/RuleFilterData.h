#pragma once

#include <cstddef>
#include <string>

#include "data/Comparison.h"
#include "data/Value.h"

// A comparison of a variable with a constant, the variable on the left, X<5, and the input
// column where its text starts.
class RuleFilterData {
public:
    RuleFilterData(Comparison op, std::string left, Value value, std::size_t column);

    Comparison getOp() const { return op; }
    std::string getLeft() const { return left; }
    const std::string& leftView() const { return left; }
    const Value& getValue() const { return value; }
    std::size_t getInputColumn() const { return inputColumn; }

    std::string toString() const;

private:
    Comparison op;
    std::string left;
    Value value;
    std::size_t inputColumn;
};
