#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <ostream>
#include <string>
#include <utility>

#include "tests/TestNames.h"
#include "tests/reference/model/TestStore.h"

namespace {

const Data* integer(std::int64_t value) { return &testStore().makeInteger(value, nullptr); }
const Data* string(std::string value) { return &testStore().makeString(std::move(value), nullptr); }

struct ComparisonCase {
    const char* label;
    const Data* left;
    const Data* right;
    bool equals;
    bool lessThan;
    bool greaterThan;
};

class DataComparison : public testing::TestWithParam<ComparisonCase> {};

void PrintTo(const ComparisonCase& c, std::ostream* out) { *out << c.label; }

std::string caseLabel(const testing::TestParamInfo<ComparisonCase>& param) {
    return param.param.label;
}

TEST_P(DataComparison, ComparesLeftWithRight) {
    const ComparisonCase& c = GetParam();
    EXPECT_EQ(c.left->equals(*c.right), c.equals);
    EXPECT_EQ(c.left->lessThan(*c.right), c.lessThan);
    EXPECT_EQ(c.left->greaterThan(*c.right), c.greaterThan);
}

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();

INSTANTIATE_TEST_SUITE_P(
    Integers, DataComparison,
    testing::Values(ComparisonCase{"minus3_vs_2", integer(-3), integer(2), false, true, false},
                    ComparisonCase{"2_vs_minus3", integer(2), integer(-3), false, false, true},
                    ComparisonCase{"equal", integer(7), integer(7), true, false, false},
                    ComparisonCase{"min_vs_max", integer(kMin), integer(kMax), false, true, false},
                    ComparisonCase{"max_vs_min", integer(kMax), integer(kMin), false, false, true}),
    caseLabel);

// Bytes are unsigned: every byte from 128 up sorts after every ASCII character.
INSTANTIATE_TEST_SUITE_P(
    Strings, DataComparison,
    testing::Values(
        ComparisonCase{"prefix", string("ab"), string("abc"), false, true, false},
        ComparisonCase{"longer", string("abc"), string("ab"), false, false, true},
        ComparisonCase{"lastByte", string("abc"), string("abd"), false, true, false},
        ComparisonCase{"upperBeforeLower", string("Z"), string("a"), false, true, false},
        ComparisonCase{"emptyFirst", string(""), string("a"), false, true, false},
        ComparisonCase{"bothEmpty", string(""), string(""), true, false, false},
        ComparisonCase{"equal", string("x y"), string("x y"), true, false, false},
        ComparisonCase{"blankMatters", string("a"), string("a "), false, true, false},
        ComparisonCase{"accentAfterAscii", string("\xE9"), string("z"), false, false, true},
        ComparisonCase{"asciiBeforeAccent", string("a"), string("\xE1"), false, true, false},
        ComparisonCase{"byte80After7F", string("\x80"), string("\x7F"), false, false, true}),
    caseLabel);

// An integer and a string are neither equal, less nor greater, whichever is on the left.
INSTANTIATE_TEST_SUITE_P(
    Mixed, DataComparison,
    testing::Values(ComparisonCase{"int5_vs_str5", integer(5), string("5"), false, false, false},
                    ComparisonCase{"str5_vs_int5", string("5"), integer(5), false, false, false},
                    ComparisonCase{"int1_vs_str9", integer(1), string("9"), false, false, false},
                    ComparisonCase{"str0_vs_int9", string("0"), integer(9), false, false, false}),
    caseLabel);

struct TextCase {
    const Data* value;
    std::string text;
    std::string type;
};

void PrintTo(const TextCase& c, std::ostream* out) { *out << c.text; }

// The type name too, since "7" and "'7'" leave the same letters and digits.
std::string textCaseName(const testing::TestParamInfo<TextCase>& info) {
    return testName(info.param.type + " " + info.param.text, info.index);
}

class DataText : public testing::TestWithParam<TextCase> {};

TEST_P(DataText, PrintsTextFormAndTypeName) {
    EXPECT_EQ(GetParam().value->toString(), GetParam().text);
    EXPECT_EQ(GetParam().value->getType(), GetParam().type);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, DataText,
    testing::Values(TextCase{integer(7), "7", "DataInteger"},
                    TextCase{integer(-7), "-7", "DataInteger"},
                    TextCase{integer(0), "0", "DataInteger"},
                    TextCase{integer(kMax), "9223372036854775807", "DataInteger"},
                    TextCase{integer(kMin), "-9223372036854775808", "DataInteger"},
                    TextCase{string("7"), "'7'", "DataString"},
                    TextCase{string(""), "''", "DataString"},
                    TextCase{string("a'b"), "'a'b'", "DataString"},
                    TextCase{string(" x,y "), "' x,y '", "DataString"}),
    textCaseName);

}  // namespace
