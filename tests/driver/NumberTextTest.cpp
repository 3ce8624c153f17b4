#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "driver/NumberText.h"

namespace {

TEST(NumberText, GroupsDigitsInThrees) {
    const struct {
        std::uint64_t value;
        const char* text;
    } kCases[] = {
        {0, "0"},
        {999, "999"},
        {1000, "1,000"},
        {1234567, "1,234,567"},
        {100000, "100,000"},
        {18446744073709551615u, "18,446,744,073,709,551,615"},
    };
    for (const auto& c : kCases) EXPECT_EQ(groupedDigits(c.value), c.text) << c.value;
}

TEST(NumberText, DecimalsAreRoundedAndTheWholePartGrouped) {
    const struct {
        double value;
        int decimals;
        const char* text;
    } kCases[] = {
        {0, 3, "0.000"},      {0.0004, 3, "0.000"},      {0.0006, 3, "0.001"},
        {0.9996, 3, "1.000"}, {1234.5678, 1, "1,234.6"}, {12.05, 0, "12"},
        {0.07, 3, "0.070"},   {-0.001, 3, "0.000"},      {1234567.891, 3, "1,234,567.891"},
    };
    for (const auto& c : kCases) {
        EXPECT_EQ(groupedDecimal(c.value, c.decimals), c.text) << c.value;
    }
}

TEST(NumberText, ShortensByCharactersNeverCuttingOneInTwo) {
    const std::string ellipsis = "\xE2\x80\xA6";
    const std::string accented = "p(X)<-n\xC3\xA9v(X)";  // "név": é is two bytes, one column
    EXPECT_EQ(columnsOf(accented), 12u);
    const struct {
        std::string text;
        std::size_t columns;
        std::string shown;
    } kCases[] = {
        {"abcdef", 6, "abcdef"},
        {"abcdefg", 6, "abcde" + ellipsis},
        {"", 3, ""},
        {accented, 12, accented},
        {accented, 9, "p(X)<-n\xC3\xA9" + ellipsis},
        {accented, 8, "p(X)<-n" + ellipsis},
        {"abc", 1, ellipsis},
        {"abc", 0, ""},
    };
    for (const auto& c : kCases) {
        const std::string shown = shortened(c.text, c.columns);
        EXPECT_EQ(shown, c.shown) << c.text << " in " << c.columns;
        EXPECT_LE(columnsOf(shown), c.columns);
    }
}

}  // namespace
