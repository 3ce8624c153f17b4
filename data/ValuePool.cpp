#include "data/ValuePool.h"

#include <charconv>

ValueId ValuePool::internInteger(std::int64_t value) {
    if (value >= 0 && value < kDirectIntegers) {
        const auto index = static_cast<std::size_t>(value);
        if (index >= smallIntegerIds.size()) smallIntegerIds.resize(index + 1 + index / 2, 0);
        if (smallIntegerIds[index] == 0) {
            entries.push_back(Entry{true, value, 0});
            smallIntegerIds[index] = static_cast<ValueId>(entries.size());
        }
        return smallIntegerIds[index] - 1;
    }
    const auto [found, isNew] = integerIds.try_emplace(value, static_cast<ValueId>(entries.size()));
    if (isNew) entries.push_back(Entry{true, value, 0});
    return found->second;
}

ValueId ValuePool::internString(std::string_view value) {
    const auto found = stringIds.find(value);
    if (found != stringIds.end()) return found->second;
    const auto id = static_cast<ValueId>(entries.size());
    entries.push_back(Entry{false, 0, static_cast<std::uint32_t>(strings.size())});
    strings.emplace_back(value);
    stringIds.emplace(strings.back(), id);
    return id;
}

void ValuePool::appendText(ValueId id, std::string& text) const {
    const Entry& entry = entries[id];
    if (entry.isInteger) {
        char digits[24];
        const auto end = std::to_chars(digits, digits + sizeof digits, entry.integer).ptr;
        text.append(digits, end);
    } else {
        text += '\'';
        text += strings[entry.stringIndex];
        text += '\'';
    }
}
