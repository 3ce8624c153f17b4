#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

// A value held outside any pool: an integer or a byte string. Rule constants are parsed into
// these before any pool exists; the engine interns them when it plans a body. The integer 5 and
// the string '5' are different values.
class Value {
public:
    static Value integer(std::int64_t number) { return Value(true, number, std::string()); }
    static Value string(std::string text) { return Value(false, 0, std::move(text)); }

    bool isInteger() const { return isIntegerValue; }
    std::int64_t integerValue() const { return number; }
    std::string_view stringValue() const { return text; }

    bool operator==(const Value& other) const = default;

private:
    Value(bool isIntegerText, std::int64_t integerNumber, std::string stringText)
        : isIntegerValue(isIntegerText), number(integerNumber), text(std::move(stringText)) {}

    bool isIntegerValue;
    std::int64_t number;
    std::string text;
};
