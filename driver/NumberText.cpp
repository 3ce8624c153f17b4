#include "driver/NumberText.h"

#include <charconv>
#include <cmath>

namespace {

constexpr std::string_view kEllipsis = "\xE2\x80\xA6";  // "…", one column

bool isContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

}  // namespace

void appendGroupedDigits(std::string& text, std::uint64_t value) {
    char digits[20];
    const std::size_t count =
        static_cast<std::size_t>(std::to_chars(digits, digits + sizeof digits, value).ptr - digits);
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0 && (count - i) % 3 == 0) text += ',';
        text += digits[i];
    }
}

std::string groupedDigits(std::uint64_t value) {
    std::string text;
    appendGroupedDigits(text, value);
    return text;
}

void appendGroupedDecimal(std::string& text, double value, int decimals) {
    if (!(value >= 0)) value = 0;  // a clock that went back, or NaN
    std::uint64_t unit = 1;
    for (int d = 0; d < decimals; ++d) unit *= 10;
    const auto scaled = static_cast<std::uint64_t>(std::llround(value * static_cast<double>(unit)));
    appendGroupedDigits(text, scaled / unit);
    if (decimals <= 0) return;
    char fraction[20];
    const std::size_t count = static_cast<std::size_t>(
        std::to_chars(fraction, fraction + sizeof fraction, scaled % unit).ptr - fraction);
    text += '.';
    text.append(static_cast<std::size_t>(decimals) - count, '0');
    text.append(fraction, count);
}

std::string groupedDecimal(double value, int decimals) {
    std::string text;
    appendGroupedDecimal(text, value, decimals);
    return text;
}

std::size_t columnsOf(std::string_view text) {
    std::size_t columns = 0;
    for (const char c : text) columns += isContinuationByte(c) ? 0 : 1;
    return columns;
}

std::string shortened(std::string_view text, std::size_t columns) {
    if (columnsOf(text) <= columns) return std::string(text);
    if (columns == 0) return {};
    // Keep columns - 1 characters, then the ellipsis.
    std::size_t kept = 0;
    std::size_t end = 0;
    while (end < text.size()) {
        if (!isContinuationByte(text[end])) {
            if (kept == columns - 1) break;
            ++kept;
        }
        ++end;
    }
    std::string cut(text.substr(0, end));
    cut += kEllipsis;
    return cut;
}
