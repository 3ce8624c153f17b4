#pragma once

#include <charconv>
#include <cstdint>
#include <string_view>

#include "data/Value.h"

// The printed form of a value, the same in rules, results and every other text: an integer in
// decimal digits, a string between single quotes with nothing inside escaped. Text is anything
// with append(std::string_view) and push_back(char); one with appendInteger formats integers in
// place.
template <typename Text>
void appendIntegerText(Text& text, std::int64_t value) {
    if constexpr (requires { text.appendInteger(value); }) {
        text.appendInteger(value);
    } else {
        char digits[20];  // "-9223372036854775808"
        const char* end = std::to_chars(digits, digits + sizeof digits, value).ptr;
        text.append(std::string_view(digits, static_cast<std::size_t>(end - digits)));
    }
}

template <typename Text>
void appendStringText(Text& text, std::string_view value) {
    text.push_back('\'');
    text.append(value);
    text.push_back('\'');
}

template <typename Text>
void appendValueText(Text& text, const Value& value) {
    if (value.isInteger()) {
        appendIntegerText(text, value.integerValue());
    } else {
        appendStringText(text, value.stringValue());
    }
}
