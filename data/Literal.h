#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Conversions of input text to cell values, shared by row lines and rule constants.

// Leading white space, one optional sign, then decimal digits up to the first non-digit; text
// without digits reads as 0. Numbers beyond the 64-bit range saturate at its bounds.
std::int64_t integerLiteralValue(std::string_view text);

// The digits of a rule constant (no sign allowed); the empty text reads as 0. Saturates.
std::int64_t digitsValue(std::string_view digits);

// True for the empty text and for text made only of the digits 0 to 9.
bool isDigitsOnly(std::string_view text);

// A quoted literal without its first and its last character, whatever the last one is; a lone
// quote gives the empty string.
std::string stringLiteralValue(std::string_view text);
std::string_view stringLiteralView(std::string_view text);
