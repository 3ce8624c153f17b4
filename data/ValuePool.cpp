#include "data/ValuePool.h"

#include <cstdint>
#include <functional>
#include <stdexcept>

std::uint32_t ValuePool::stringTag(std::string_view value) {
    return static_cast<std::uint32_t>(std::hash<std::string_view>{}(value));
}

ValueId ValuePool::internInteger(std::int64_t value, std::uint32_t tag) {
    if (isInline(value)) return inlineId(value);
    const std::size_t slot =
        integerSlots.find(tag, [&](std::size_t number) { return largeIntegers[number] == value; });
    std::size_t number = integerSlots.numberAt(slot);
    if (number == TaggedSlots::kNone) {
        number = largeIntegers.size();
        if (number == kMaxInterned) throw std::length_error("too many distinct integers");
        largeIntegers.push_back(value);
        integerSlots.fill(slot, tag, number,
                          [this](std::size_t old) { return integerTag(largeIntegers[old]); });
    }
    return kFirstLargeInteger + static_cast<ValueId>(number);
}

ValueId ValuePool::internString(std::string_view value, std::uint32_t tag) {
    if (value.size() > UINT32_MAX) throw std::length_error("string too long");
    StringEntry entry = probeOf(value);
    const std::size_t slot =
        stringSlots.find(tag, [&](std::size_t number) { return isString(number, entry, value); });
    std::size_t number = stringSlots.numberAt(slot);
    if (number == TaggedSlots::kNone) {
        number = strings.size();
        if (number == kMaxInterned) throw std::length_error("too many distinct strings");
        if (value.size() > kShortString) {
            const std::size_t start = text.size();
            std::memcpy(entry.head + kStartOffset, &start, sizeof start);
            text.append(value.data(), value.size());
        }
        strings.push_back(entry);
        stringSlots.fill(slot, tag, number,
                         [this](std::size_t old) { return stringTag(stringAt(old)); });
    }
    return kFirstString + static_cast<ValueId>(number);
}
