#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "rules/RuleBody.h"
#include "tests/TestNames.h"

namespace {

struct PrintCase {
    const char* text;
    const char* printed;
};

void PrintTo(const PrintCase& c, std::ostream* os) { *os << "[" << c.text << "]"; }

class RuleBodyPrint : public testing::TestWithParam<PrintCase> {};

TEST_P(RuleBodyPrint, GivesCanonicalText) {
    EXPECT_EQ(RuleBody(GetParam().text).toString(), GetParam().printed)
        << "body text: [" << GetParam().text << "]";
}

INSTANTIATE_TEST_SUITE_P(
    RoundTrips, RuleBodyPrint,
    testing::Values(PrintCase{"", ""}, PrintCase{"r(X,'abc',5)", "r(X,'abc',5)"},
                    PrintCase{"r()", "r()"}, PrintCase{"r('')", "r('')"},
                    PrintCase{"r(X), s(X)", "r(X), s(X)"},
                    PrintCase{"r(X,Y),s(Y,Z),X<Y,X<=Y,X=Y,X>Y,X>=Y",
                              "r(X,Y),s(Y,Z),X<Y,X<=Y,X=Y,X>Y,X>=Y"},
                    PrintCase{"r(X),X<1,X<=2,X=3,X>4,X>=5", "r(X),X<1,X<=2,X=3,X>4,X>=5"},
                    PrintCase{"X='a,b(c)'", "X='a,b(c)'"}, PrintCase{"a,r(X)", "a,r(X)"},
                    PrintCase{"r(X),,s(Y)", "r(X),,s(Y)"}, PrintCase{"X=<5", "X=<5"}),
    namedAfter(&PrintCase::text));

INSTANTIATE_TEST_SUITE_P(Regroupings, RuleBodyPrint,
                         testing::Values(PrintCase{"r(X,Y),X<5,s(Y,'abc')",
                                                   "r(X,Y),s(Y,'abc'),X<5"},
                                         PrintCase{"X>=5,X<=Y", "X<=Y,X>=5"},
                                         PrintCase{"X<5,Y>=Z,r(X),s(Y,Z)", "r(X),s(Y,Z),Y>=Z,X<5"},
                                         PrintCase{"X=(a,b)", "b)(b),X=(a"}),
                         namedAfter(&PrintCase::text));

INSTANTIATE_TEST_SUITE_P(
    Normalisations, RuleBodyPrint,
    testing::Values(PrintCase{"X==5", "X=5"}, PrintCase{"N=007", "N=7"}, PrintCase{"N=", "N=0"},
                    PrintCase{"N=99999999999999999999", "N=9223372036854775807"},
                    PrintCase{"r(,X)", "r(0,X)"}, PrintCase{"r(X,)", "r(X)"},
                    PrintCase{"r(X),", "r(X)"}, PrintCase{"r(X) ", "r(X))"},
                    PrintCase{"r(X),abc", "r(X),abc()"}, PrintCase{"r(X),,", "r(X),,()"},
                    PrintCase{"e(Y", "e()"}, PrintCase{"X='a", "X=''"}, PrintCase{"r('a", "r('')"}),
    namedAfter(&PrintCase::text));

}  // namespace
