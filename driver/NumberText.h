#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Numbers and text as the profile and the progress line show them to a person.

// Digits in groups of three: 1234567 as "1,234,567".
void appendGroupedDigits(std::string& text, std::uint64_t value);
std::string groupedDigits(std::uint64_t value);

// A non-negative amount with the given number of decimals (up to 9), its whole part grouped:
// "1,234.5".
void appendGroupedDecimal(std::string& text, double value, int decimals);
std::string groupedDecimal(double value, int decimals);

// The columns a UTF-8 text takes on a terminal, one per character (continuation bytes take
// none), which holds for the letters and signs rule lines are written in.
std::size_t columnsOf(std::string_view text);

// The text cut to at most the given columns, its end replaced by "…" when it was longer; a
// character is never cut in two.
std::string shortened(std::string_view text, std::size_t columns);
