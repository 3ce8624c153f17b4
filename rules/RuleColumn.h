#pragma once

#include <cstddef>
#include <string>
#include <utility>

#include "data/Value.h"

// One argument of a relation reference: a variable (a non-empty name) or a constant (an empty
// name and its value), and where its text stands in the input: its first column and length.
class RuleColumn {
public:
    RuleColumn(std::string newName, Value constant, std::size_t column, std::size_t length)
        : name(std::move(newName)),
          value(std::move(constant)),
          inputColumn(column),
          inputLength(length) {}

    std::string getName() const { return name; }
    const std::string& nameView() const { return name; }
    // The constant; meaningless for a variable.
    const Value& getValue() const { return value; }
    bool isConstant() const { return name.empty(); }
    std::size_t getInputColumn() const { return inputColumn; }
    std::size_t getInputLength() const { return inputLength; }

private:
    std::string name;
    Value value;
    std::size_t inputColumn;
    std::size_t inputLength;
};
