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

namespace {

std::uint32_t tagOf(std::uint64_t slot) { return static_cast<std::uint32_t>(slot >> 32); }
ValueId idOf(std::uint64_t slot) { return static_cast<ValueId>((slot & 0xFFFFFFFFu) - 1); }

}  // namespace

std::size_t ValuePool::findStringSlot(std::string_view value, std::uint32_t tag) const {
    const std::size_t mask = stringSlots.size() - 1;
    for (std::size_t slot = tag & mask;; slot = (slot + 1) & mask) {
        const std::uint64_t entry = stringSlots[slot];
        if (entry == 0 || (tagOf(entry) == tag && stringValue(idOf(entry)) == value)) return slot;
    }
}

void ValuePool::growStrings() {
    std::vector<std::uint64_t> old(stringSlots.size() * 2, 0);
    old.swap(stringSlots);
    const std::size_t mask = stringSlots.size() - 1;
    for (std::uint64_t entry : old) {
        if (entry == 0) continue;
        std::size_t slot = tagOf(entry) & mask;
        while (stringSlots[slot] != 0) slot = (slot + 1) & mask;
        stringSlots[slot] = entry;
    }
}

ValueId ValuePool::internString(std::string_view value) {
    const auto tag = static_cast<std::uint32_t>(std::hash<std::string_view>{}(value));
    const std::size_t slot = findStringSlot(value, tag);
    if (stringSlots[slot] != 0) return idOf(stringSlots[slot]);
    const auto id = static_cast<ValueId>(entries.size());
    entries.push_back(Entry{static_cast<std::int64_t>(text.size()),
                            static_cast<std::uint32_t>(value.size()), false});
    text.append(value);
    stringSlots[slot] = (std::uint64_t{tag} << 32) | (std::uint64_t{id} + 1);
    if (entries.size() * 2 > stringSlots.size()) growStrings();
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
