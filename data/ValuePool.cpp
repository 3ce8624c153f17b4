#include "data/ValuePool.h"

#include <charconv>
#include <functional>

ValueId ValuePool::internInteger(std::int64_t value) {
    if (value >= 0 && value < kDirectIntegers) {
        const auto index = static_cast<std::size_t>(value);
        if (index >= smallIntegerIds.size()) smallIntegerIds.resize(index + 1 + index / 2, 0);
        if (smallIntegerIds[index] == 0) {
            entries.push_back(Entry{value, 0, true});
            smallIntegerIds[index] = static_cast<ValueId>(entries.size());
        }
        return smallIntegerIds[index] - 1;
    }
    const auto [found, isNew] = integerIds.try_emplace(value, static_cast<ValueId>(entries.size()));
    if (isNew) entries.push_back(Entry{value, 0, true});
    return found->second;
}

ValueId ValuePool::internString(std::string_view value) {
    const auto tag = static_cast<std::uint32_t>(std::hash<std::string_view>{}(value));
    const std::size_t slot = stringSlots.find(
        tag, [&](std::size_t id) { return stringValue(static_cast<ValueId>(id)) == value; });
    const std::size_t found = stringSlots.numberAt(slot);
    if (found != TaggedSlots::kNone) return static_cast<ValueId>(found);
    const auto id = static_cast<ValueId>(entries.size());
    entries.push_back(Entry{static_cast<std::int64_t>(text.size()),
                            static_cast<std::uint32_t>(value.size()), false});
    text.append(value);
    stringSlots.fill(slot, tag, id);
    return id;
}

void ValuePool::appendText(ValueId id, std::string& output) const {
    const Entry& entry = entries[id];
    if (entry.isInteger) {
        char digits[24];
        const auto end = std::to_chars(digits, digits + sizeof digits, entry.number).ptr;
        output.append(digits, end);
    } else {
        output += '\'';
        output += stringValue(id);
        output += '\'';
    }
}
