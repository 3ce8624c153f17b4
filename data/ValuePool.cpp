#include "data/ValuePool.h"

#include <charconv>
#include <functional>

ValueId ValuePool::append(std::int64_t number, bool isIntegerNumber) {
    numbers.push_back(number);
    isIntegerValue.push_back(isIntegerNumber ? 1 : 0);
    return static_cast<ValueId>(numbers.size() - 1);
}

std::uint32_t ValuePool::stringTag(std::string_view value) {
    return static_cast<std::uint32_t>(std::hash<std::string_view>{}(value));
}

ValueId ValuePool::internInteger(std::int64_t value, std::uint32_t tag) {
    if (isDirect(value)) {
        const auto index = static_cast<std::size_t>(value);
        if (index >= smallIntegerIds.size()) smallIntegerIds.resize(index + 1 + index / 2, 0);
        if (smallIntegerIds[index] == 0) smallIntegerIds[index] = append(value, true) + 1;
        return smallIntegerIds[index] - 1;
    }
    const std::size_t slot = integerSlots.find(
        tag, [&](std::size_t id) { return numbers[id] == value && isIntegerValue[id] != 0; });
    const std::size_t found = integerSlots.numberAt(slot);
    if (found != TaggedSlots::kNone) return static_cast<ValueId>(found);
    const ValueId id = append(value, true);
    integerSlots.fill(slot, tag, id);
    return id;
}

ValueId ValuePool::internString(std::string_view value, std::uint32_t tag) {
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
