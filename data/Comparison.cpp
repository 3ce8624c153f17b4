#include "data/Comparison.h"

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
