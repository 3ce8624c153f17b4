#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "data/Literal.h"
#include "tests/TestNames.h"

namespace {

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();

struct IntegerCase {
    std::string text;
    std::int64_t expected;
};

// Test names show control characters as escapes.
std::string quoted(const std::string& text) {
    std::string shown = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F) {
            shown += c;
        } else {
            const char* digits = "0123456789ABCDEF";
            shown += std::string("\\x") + digits[byte >> 4] + digits[byte & 0xF];
        }
    }
    return shown + "\"";
}

void PrintTo(const IntegerCase& c, std::ostream* out) { *out << quoted(c.text); }

class IntegerLiteral : public testing::TestWithParam<IntegerCase> {};

TEST_P(IntegerLiteral, ReadsLeadingDecimalNumber) {
    EXPECT_EQ(integerLiteralValue(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Forms, IntegerLiteral,
                         testing::Values(IntegerCase{"42", 42}, IntegerCase{"007", 7},
                                         IntegerCase{"-7", -7}, IntegerCase{"+5", 5},
                                         IntegerCase{"-0", 0}, IntegerCase{" 12", 12},
                                         IntegerCase{" \t\n\v\f\r-12", -12}, IntegerCase{"3x", 3},
                                         IntegerCase{"12 34", 12}, IntegerCase{"5'", 5},
                                         IntegerCase{"x", 0}, IntegerCase{"", 0},
                                         IntegerCase{" ", 0}, IntegerCase{"-", 0},
                                         IntegerCase{"+-5", 0}, IntegerCase{"- 5", 0},
                                         IntegerCase{"x5", 0}, IntegerCase{"'5", 0}),
                         namedAfter(&IntegerCase::text));

// Values that fit in 32 bits read as before; beyond 64 bits the value sticks at the bound.
INSTANTIATE_TEST_SUITE_P(
    Range, IntegerLiteral,
    testing::Values(
        IntegerCase{"2147483647", 2147483647}, IntegerCase{"-2147483648", -2147483648LL},
        IntegerCase{"2147483648", 2147483648LL}, IntegerCase{"-2147483649", -2147483649LL},
        IntegerCase{"9223372036854775806", kMax - 1}, IntegerCase{"9223372036854775807", kMax},
        IntegerCase{"9223372036854775808", kMax}, IntegerCase{"99999999999999999999999999", kMax},
        IntegerCase{"+9223372036854775808", kMax}, IntegerCase{"18446744073709551617", kMax},
        IntegerCase{"-9223372036854775807", kMin + 1}, IntegerCase{"-9223372036854775808", kMin},
        IntegerCase{"-9223372036854775809", kMin}, IntegerCase{"-99999999999999999999999999", kMin},
        IntegerCase{"99999999999999999999x", kMax}, IntegerCase{"0000000000000000000000000001", 1},
        IntegerCase{"-00000000000009223372036854775808", kMin},
        // Around the 18 digits read without bound checks.
        IntegerCase{"999999999999999999", 999999999999999999LL},
        IntegerCase{"1000000000000000000", 1000000000000000000LL},
        IntegerCase{"99999999999999999x", 99999999999999999LL}),
    namedAfter(&IntegerCase::text));

struct StringCase {
    std::string text;
    std::string expected;
};

void PrintTo(const StringCase& c, std::ostream* out) { *out << quoted(c.text); }

class StringLiteral : public testing::TestWithParam<StringCase> {};

TEST_P(StringLiteral, DropsFirstAndLastCharacter) {
    EXPECT_EQ(stringLiteralValue(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Forms, StringLiteral,
                         testing::Values(StringCase{"'abc'", "abc"}, StringCase{"''", ""},
                                         StringCase{"'", ""}, StringCase{"'abc)", "abc"},
                                         StringCase{"'ab", "a"}, StringCase{"'a", ""},
                                         StringCase{"'a'b'", "a'b"}, StringCase{"' x '", " x "},
                                         StringCase{"'\xE9t\xE9'", "\xE9t\xE9"}),
                         namedAfter(&StringCase::text));

// Pieces around the length looked at directly before the search takes over.
TEST(CommaPieces, SplitAtEveryCommaWhateverThePieceLength) {
    for (const std::size_t first : {0, 1, 15, 16, 17, 40}) {
        for (const std::size_t second : {0, 15, 16, 17}) {
            const std::string a(first, 'a');
            const std::string b(second, 'b');
            std::vector<std::string> pieces;
            forEachCommaPiece(a + "," + b + ",," + a,
                              [&](std::string_view piece) { pieces.emplace_back(piece); });
            EXPECT_EQ(pieces, (std::vector<std::string>{a, b, "", a})) << first << " " << second;
        }
    }
}

}  // namespace
