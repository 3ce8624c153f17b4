#pragma once

#include <compare>
#include <string_view>

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

// Whether left op right holds for two values of one class that compare as order says. Values
// of different classes satisfy no operator; callers decide that before asking.
constexpr bool comparisonHolds(Comparison op, std::strong_ordering order) {
    switch (op) {
        case Comparison::Less:
            return order < 0;
        case Comparison::LessEqual:
            return order <= 0;
        case Comparison::Equal:
            return order == 0;
        case Comparison::Greater:
            return order > 0;
        case Comparison::GreaterEqual:
            return order >= 0;
    }
    return false;
}
