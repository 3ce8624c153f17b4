#pragma once

#include <cstddef>
#include <string>

#include "data/Comparison.h"
#include "data/Value.h"

// A comparison of a variable with a constant, the variable on the left, X<5, and the input
// columns where its text and its constant start.
class RuleFilterData {
public:
    RuleFilterData(Comparison op, std::string left, Value value, std::size_t column,
                   std::size_t valueColumn);

    Comparison getOp() const { return op; }
    std::string getLeft() const { return left; }
    const std::string& leftView() const { return left; }
    const Value& getValue() const { return value; }
    std::size_t getInputColumn() const { return inputColumn; }
    std::size_t getValueInputColumn() const { return valueInputColumn; }

    std::string toString() const;

private:
    Comparison op;
    std::string left;
    Value value;
    std::size_t inputColumn;
    std::size_t valueInputColumn;
};
