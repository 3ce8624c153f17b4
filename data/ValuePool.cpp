#include "data/ValuePool.h"

#include <charconv>
#include <functional>

namespace {

// The upper half of a multiplicative hash spreads nearby integers over the whole table.
std::uint32_t integerTag(std::int64_t value) {
    return static_cast<std::uint32_t>((static_cast<std::uint64_t>(value) * 0x9E3779B97F4A7C15ull) >>
                                      32);
}

}  // namespace

ValueId ValuePool::append(std::int64_t number, bool isIntegerNumber) {
    numbers.push_back(number);
    isIntegerValue.push_back(isIntegerNumber ? 1 : 0);
    return static_cast<ValueId>(numbers.size() - 1);
}

ValueId ValuePool::internInteger(std::int64_t value) {
    if (value >= 0 && value < kDirectIntegers) {
        const auto index = static_cast<std::size_t>(value);
        if (index >= smallIntegerIds.size()) smallIntegerIds.resize(index + 1 + index / 2, 0);
        if (smallIntegerIds[index] == 0) smallIntegerIds[index] = append(value, true) + 1;
        return smallIntegerIds[index] - 1;
    }
    const std::uint32_t tag = integerTag(value);
    const std::size_t slot = integerSlots.find(tag, [&](std::size_t id) {
        return numbers[id] == value && isIntegerValue[id] != 0;
    });
    const std::size_t found = integerSlots.numberAt(slot);
    if (found != TaggedSlots::kNone) return static_cast<ValueId>(found);
    const ValueId id = append(value, true);
    integerSlots.fill(slot, tag, id);
    return id;
}

ValueId ValuePool::internString(std::string_view value) {
    const auto tag = static_cast<std::uint32_t>(std::hash<std::string_view>{}(value));
    const std::size_t slot = stringSlots.find(
        tag, [&](std::size_t id) { return stringValue(static_cast<ValueId>(id)) == value; });
    const std::size_t found = stringSlots.numberAt(slot);
    if (found != TaggedSlots::kNone) return static_cast<ValueId>(found);
    const ValueId id = append(static_cast<std::int64_t>(text.size()), false);
    const auto length = static_cast<std::uint32_t>(value.size());
    text.append(reinterpret_cast<const char*>(&length), sizeof length);
    text.append(value);
    stringSlots.fill(slot, tag, id);
    return id;
}

void ValuePool::appendText(ValueId id, std::string& output) const {
    if (isInteger(id)) {
        char digits[24];
        const auto end = std::to_chars(digits, digits + sizeof digits, numbers[id]).ptr;
        output.append(digits, end);
    } else {
        output += '\'';
        output += stringValue(id);
        output += '\'';
    }
}
