#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "data/Comparison.h"
#include "data/TaggedSlots.h"

// A value as the engine holds it: a number naming one interned integer or string. Equal
// values (same class, same value) always get the same id, so ids compare and hash as values do.
using ValueId = std::uint32_t;

// Interns every value of the run once. Integer 5 and string '5' are different values.
class ValuePool {
public:
    ValueId internInteger(std::int64_t value);
    ValueId internString(std::string_view value);

    bool isInteger(ValueId id) const { return entries[id].isInteger; }
    std::int64_t integerValue(ValueId id) const { return entries[id].number; }
    // Valid until the next string is interned.
    std::string_view stringValue(ValueId id) const {
        const Entry& entry = entries[id];
        return std::string_view(text.data() + entry.number, entry.length);
    }

    // left op right with the value semantics: false between an integer and a string.
    bool compare(ValueId left, Comparison op, ValueId right) const {
        if (op == Comparison::Equal) return left == right;
        const Entry& a = entries[left];
        const Entry& b = entries[right];
        if (a.isInteger != b.isInteger) return false;
        if (a.isInteger) return holds(op, a.number < b.number, a.number == b.number);
        const int order = stringValue(left).compare(stringValue(right));
        return holds(op, order < 0, order == 0);
    }
    // The printed form: decimal digits, or the string between single quotes.
    void appendText(ValueId id, std::string& output) const;

private:
    static bool holds(Comparison op, bool isLess, bool isEqual) {
        switch (op) {
            case Comparison::Less:
                return isLess;
            case Comparison::LessEqual:
                return isLess || isEqual;
            case Comparison::Equal:
                return isEqual;
            case Comparison::Greater:
                return !isLess && !isEqual;
            case Comparison::GreaterEqual:
                return !isLess;
        }
        return false;
    }

    // An integer's value, or where a string's bytes start in text and how many there are.
    struct Entry {
        std::int64_t number;
        std::uint32_t length;
        bool isInteger;
    };

    std::vector<Entry> entries;
    std::string text;  // every interned string's bytes, back to back
    // Small non-negative integers, the common case, are found by direct lookup.
    static constexpr std::int64_t kDirectIntegers = std::int64_t{1} << 20;
    std::vector<ValueId> smallIntegerIds;  // id + 1, 0 when not yet interned
    std::unordered_map<std::int64_t, ValueId> integerIds;
    TaggedSlots stringSlots;  // string ids by hash
};
