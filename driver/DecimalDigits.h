#pragma once

#include <array>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstring>

// Integers in decimal digits, four at a time from a table of every group of four: formatting a
// closure's results digit pair by digit pair took a seventh of a one-thread run.
namespace decimal_digits {

// Every number below 10,000 in four digits, zeros in front, and four spare bytes so that the
// last group can be read four bytes from any of its digits.
inline constexpr std::array<char, 10000 * 4 + 4> kGroups = [] {
    std::array<char, 10000 * 4 + 4> groups{};
    for (std::size_t n = 0; n < 10000; ++n) {
        groups[n * 4] = static_cast<char>('0' + n / 1000);
        groups[n * 4 + 1] = static_cast<char>('0' + n / 100 % 10);
        groups[n * 4 + 2] = static_cast<char>('0' + n / 10 % 10);
        groups[n * 4 + 3] = static_cast<char>('0' + n % 10);
    }
    return groups;
}();

// The first group's digits without its zeros in front; it writes four bytes whatever their
// number.
inline std::size_t writeLeadingGroup(char* out, std::uint32_t group) {
    const std::size_t length = 1 + (group >= 10) + (group >= 100) + (group >= 1000);
    std::memcpy(out, kGroups.data() + group * 4 + (4 - length), 4);
    return length;
}

}  // namespace decimal_digits

// Writes the value's digits, a minus sign first for a negative one, and returns how many bytes
// they take. out must have room for 20 bytes ("-9223372036854775808"): short values write a few
// bytes more than they take.
inline std::size_t writeDecimal(char* out, std::int64_t value) {
    constexpr std::int64_t kTwoGroups = 100000000;
    if (value < 0 || value >= kTwoGroups) {
        return static_cast<std::size_t>(std::to_chars(out, out + 20, value).ptr - out);
    }
    const auto number = static_cast<std::uint32_t>(value);
    if (number < 10000) return decimal_digits::writeLeadingGroup(out, number);
    const std::size_t length = decimal_digits::writeLeadingGroup(out, number / 10000);
    std::memcpy(out + length, decimal_digits::kGroups.data() + number % 10000 * 4, 4);
    return length + 4;
}
