#include "data/Comparison.h"

#include "data/Data.h"

std::string_view comparisonText(Comparison op) {
    switch (op) {
        case Comparison::Less:
            return "<";
        case Comparison::LessEqual:
            return "<=";
        case Comparison::Equal:
            return "=";
        case Comparison::Greater:
            return ">";
        case Comparison::GreaterEqual:
            return ">=";
    }
    return "=";
}

bool compareValues(const Data& left, Comparison op, const Data& right) {
    switch (op) {
        case Comparison::Less:
            return left.lessThan(right);
        case Comparison::LessEqual:
            return left.equals(right) || left.lessThan(right);
        case Comparison::Equal:
            return left.equals(right);
        case Comparison::Greater:
            return left.greaterThan(right);
        case Comparison::GreaterEqual:
            return left.greaterThan(right) || left.equals(right);
    }
    return false;
}
