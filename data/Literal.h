#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Conversions of input text to cell values, shared by row lines and rule constants, and the
// splitting of header, head and row text at commas.

// Calls visit(piece) for each piece of the text between commas, in order; there is no quoting,
// so n commas always give n + 1 pieces, and empty text gives one empty piece.
template <typename Visit>
void forEachCommaPiece(std::string_view text, Visit&& visit) {
    std::size_t start = 0;
    while (true) {
        // Most pieces are short: the first bytes are looked at directly, the rest searched.
        constexpr std::size_t kLookedAt = 16;
        const std::size_t limit = text.size() - start < kLookedAt ? text.size() : start + kLookedAt;
        std::size_t comma = start;
        while (comma < limit && text[comma] != ',') ++comma;
        if (comma == limit) {
            comma = limit == text.size() ? std::string_view::npos : text.find(',', limit);
        }
        visit(text.substr(start, comma - start));
        if (comma == std::string_view::npos) return;
        start = comma + 1;
    }
}

// The name of the relation a header line declares: the text before the first "(", or the whole
// line when it has none.
inline std::string_view headerName(std::string_view header) {
    return header.substr(0, header.find('('));
}

// The column text of a header line, name(A,B): what lies between the first "(" and the last
// character of the line, which is dropped whatever it is (normally the closing ")"); without a
// "(", the whole line but its last character.
inline std::string_view headerColumnsText(std::string_view header) {
    const std::size_t open = header.find('(');
    const std::size_t end = header.empty() ? 0 : header.size() - 1;
    if (open == std::string_view::npos) return header.substr(0, end);
    return open + 1 <= end ? header.substr(open + 1, end - open - 1) : std::string_view();
}

// Leading white space, one optional sign, then decimal digits up to the first non-digit; text
// without digits reads as 0. Numbers beyond the 64-bit range saturate at its bounds.
std::int64_t integerLiteralValue(std::string_view text);
// The same, telling whether the text is that number as written: an optional sign and digits,
// nothing before or after them.
std::int64_t integerLiteralValue(std::string_view text, bool& isWhole);

// The digits of a rule constant (no sign allowed); the empty text reads as 0. Saturates.
std::int64_t digitsValue(std::string_view digits);

// True for the empty text and for text made only of the digits 0 to 9.
bool isDigitsOnly(std::string_view text);

// A quoted literal without its first and its last character, whatever the last one is; a lone
// quote gives the empty string.
std::string stringLiteralValue(std::string_view text);
std::string_view stringLiteralView(std::string_view text);
