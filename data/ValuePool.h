#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "data/Comparison.h"

// A value as the engine holds it: a number naming one interned integer or string. Equal
// values (same class, same value) always get the same id, so ids compare and hash as values do.
using ValueId = std::uint32_t;

// Interns every value of the run once. Integer 5 and string '5' are different values.
class ValuePool {
public:
    ValueId internInteger(std::int64_t value);
    ValueId internString(std::string_view value);

    bool isInteger(ValueId id) const { return entries[id].isInteger; }
    std::int64_t integerValue(ValueId id) const { return entries[id].integer; }
    std::string_view stringValue(ValueId id) const { return strings[entries[id].stringIndex]; }

    // left op right with the value semantics: false between an integer and a string.
    bool compare(ValueId left, Comparison op, ValueId right) const;
    // The printed form: decimal digits, or the string between single quotes.
    void appendText(ValueId id, std::string& text) const;

private:
    struct Entry {
        bool isInteger;
        std::int64_t integer;
        std::uint32_t stringIndex;
    };

    std::vector<Entry> entries;
    std::deque<std::string> strings;  // never moves, so the map's keys stay valid
    std::unordered_map<std::int64_t, ValueId> integerIds;
    std::unordered_map<std::string_view, ValueId> stringIds;
};
