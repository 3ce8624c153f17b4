#include "data/Literal.h"

#include <limits>

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Accumulates the magnitude as a negative number so that the lowest value is reachable; once
// the bound is passed the result stays at the bound.
std::int64_t readDigits(std::string_view text, std::size_t from, bool negative) {
    constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    std::int64_t accumulated = 0;
    bool saturated = false;
    for (std::size_t i = from; i < text.size() && isDigit(text[i]); ++i) {
        const int digit = text[i] - '0';
        if (saturated) continue;
        if (accumulated < (kMin + digit) / 10) {
            saturated = true;
        } else {
            accumulated = accumulated * 10 - digit;
        }
    }
    if (negative) return saturated ? kMin : accumulated;
    if (saturated || accumulated == kMin) return kMax;
    return -accumulated;
}

}  // namespace

std::int64_t integerLiteralValue(std::string_view text) {
    bool isWhole = false;
    return integerLiteralValue(text, isWhole);
}

std::int64_t integerLiteralValue(std::string_view text, bool& isWhole) {
    // The common field, digits alone and at most 18 of them, cannot pass the bounds.
    constexpr std::size_t kSafeDigits = 18;
    if (!text.empty() && text.size() <= kSafeDigits) {
        std::int64_t value = 0;
        std::size_t digits = 0;
        for (; digits < text.size(); ++digits) {
            const unsigned digit = static_cast<unsigned char>(text[digits]) - unsigned{'0'};
            if (digit > 9) break;
            value = value * 10 + digit;
        }
        if (digits == text.size()) {
            isWhole = true;
            return value;
        }
    }
    std::size_t i = 0;
    while (i < text.size() && isSpace(text[i])) ++i;
    bool negative = false;
    const std::size_t sign = i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    std::size_t end = i;
    while (end < text.size() && isDigit(text[end])) ++end;
    isWhole = sign == 0 && end > i && end == text.size();
    return readDigits(text, i, negative);
}

std::int64_t digitsValue(std::string_view digits) { return readDigits(digits, 0, false); }

bool isDigitsOnly(std::string_view text) {
    for (char c : text) {
        if (!isDigit(c)) return false;
    }
    return true;
}

std::string_view stringLiteralView(std::string_view text) {
    if (text.size() < 2) return std::string_view();
    return text.substr(1, text.size() - 2);
}

std::string stringLiteralValue(std::string_view text) {
    return std::string(stringLiteralView(text));
}
