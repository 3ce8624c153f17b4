#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "data/Comparison.h"
#include "data/TaggedSlots.h"

// A value as the engine holds it: a number naming one interned integer or string. Equal
// values (same class, same value) always get the same id, so ids compare and hash as values do.
using ValueId = std::uint32_t;

// Interns every value of the run once. Integer 5 and string '5' are different values.
class ValuePool {
public:
    ValueId internInteger(std::int64_t value) { return internInteger(value, integerTag(value)); }
    ValueId internString(std::string_view value) { return internString(value, stringTag(value)); }

    // The same with the hash computed beforehand, after prefetch has asked the memory for its
    // slot: a loader with many values at hand hides the cache misses of large tables.
    static bool isDirect(std::int64_t value) { return value >= 0 && value < kDirectIntegers; }
    static std::uint32_t integerTag(std::int64_t value) {
        // The upper half of a multiplicative hash spreads nearby integers over the whole table.
        return static_cast<std::uint32_t>(
            (static_cast<std::uint64_t>(value) * 0x9E3779B97F4A7C15ull) >> 32);
    }
    static std::uint32_t stringTag(std::string_view value);
    void prefetchInteger(std::uint32_t tag) const { integerSlots.prefetch(tag); }
    void prefetchString(std::uint32_t tag) const { stringSlots.prefetch(tag); }
    ValueId internInteger(std::int64_t value, std::uint32_t tag);
    ValueId internString(std::string_view value, std::uint32_t tag);

    bool isInteger(ValueId id) const { return isIntegerValue[id] != 0; }
    std::int64_t integerValue(ValueId id) const { return numbers[id]; }
    // Valid until the next string is interned.
    std::string_view stringValue(ValueId id) const {
        const auto start = static_cast<std::size_t>(numbers[id]);
        std::uint32_t length = 0;
        std::memcpy(&length, text.data() + start, sizeof length);
        return std::string_view(text.data() + start + sizeof length, length);
    }

    // left op right with the value semantics: false between an integer and a string.
    bool compare(ValueId left, Comparison op, ValueId right) const {
        if (op == Comparison::Equal) return left == right;
        const bool isLeftInteger = isInteger(left);
        if (isLeftInteger != isInteger(right)) return false;
        if (isLeftInteger) {
            const std::int64_t a = numbers[left];
            const std::int64_t b = numbers[right];
            return holds(op, a < b, a == b);
        }
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

    ValueId append(std::int64_t number, bool isIntegerNumber);

    // Per value, nine bytes: an integer's value or where a string starts in text, and its kind.
    std::vector<std::int64_t> numbers;
    std::vector<std::uint8_t> isIntegerValue;
    std::string text;  // every interned string: its length in four bytes, then its bytes
    // Small non-negative integers, the common case, are found by direct lookup; the others by
    // hash, in a table without a heap node per value.
    static constexpr std::int64_t kDirectIntegers = std::int64_t{1} << 20;
    std::vector<ValueId> smallIntegerIds;  // id + 1, 0 when not yet interned
    TaggedSlots integerSlots;              // other integer ids by hash
    TaggedSlots stringSlots;               // string ids by hash
};
