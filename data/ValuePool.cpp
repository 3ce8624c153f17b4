#include "data/ValuePool.h"

#include <charconv>

ValueId ValuePool::internInteger(std::int64_t value) {
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

bool ValuePool::compare(ValueId left, Comparison op, ValueId right) const {
    if (op == Comparison::Equal) return left == right;
    const Entry& a = entries[left];
    const Entry& b = entries[right];
    if (a.isInteger != b.isInteger) return false;
    int order = 0;
    if (a.isInteger) {
        order = a.integer < b.integer ? -1 : (a.integer > b.integer ? 1 : 0);
    } else {
        // string_view compares bytes as unsigned values, like the value classes do.
        const int raw = stringValue(left).compare(stringValue(right));
        order = raw < 0 ? -1 : (raw > 0 ? 1 : 0);
    }
    switch (op) {
        case Comparison::Less:
            return order < 0;
        case Comparison::LessEqual:
            return order <= 0;
        case Comparison::Equal:
            return order == 0;
        case Comparison::Greater:
            return order > 0;
        case Comparison::GreaterEqual:
            return order >= 0;
    }
    return false;
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
