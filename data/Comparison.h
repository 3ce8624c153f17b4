#pragma once

#include <string>
#include <string_view>

class Data;

// The comparison operators of rule bodies; the numbers are the codes the parser assigns.
enum class Comparison : int {
    Less = 0,
    LessEqual = 1,
    Equal = 2,
    Greater = 3,
    GreaterEqual = 4,
};

// "<", "<=", "=", ">", ">=".
std::string_view comparisonText(Comparison op);

// left op right; false between values of different classes, whatever the operator.
bool compareValues(const Data& left, Comparison op, const Data& right);
