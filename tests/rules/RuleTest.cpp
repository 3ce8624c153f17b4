#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "rules/Rule.h"
#include "tests/TestNames.h"

namespace {

std::vector<std::string> headColumnNames(const Rule& rule) {
    std::vector<std::string> names;
    for (const RuleHeadColumn& column : rule.getColumns()) names.push_back(column.name);
    return names;
}

struct RuleLineCase {
    const char* line;
    const char* name;
    std::vector<std::string> columns;
    const char* printed;
};

void PrintTo(const RuleLineCase& c, std::ostream* os) { *os << "[" << c.line << "]"; }

class RuleConstruction : public testing::TestWithParam<RuleLineCase> {};

TEST_P(RuleConstruction, SplitsHeadAndBody) {
    const RuleLineCase& c = GetParam();
    const Rule rule(c.line);
    EXPECT_EQ(rule.getName(), c.name);
    EXPECT_EQ(headColumnNames(rule), c.columns);
    EXPECT_EQ(rule.getBodies().size(), 1u);
    EXPECT_EQ(rule.toString(), c.printed);
}

INSTANTIATE_TEST_SUITE_P(
    RuleLines, RuleConstruction,
    testing::Values(RuleLineCase{"p(X,Y)<-e(X,Y),X<Y", "p", {"X", "Y"}, "p(X,Y)<-e(X,Y),X<Y\n"},
                    RuleLineCase{"p(X, Y)<-e(X, Y)", "p", {"X", " Y"}, "p(X, Y)<-e(X, Y)\n"},
                    RuleLineCase{"p()<-q(X)", "p", {""}, "p()<-q(X)\n"},
                    RuleLineCase{"p(X,,Y)<-q(X,Y)", "p", {"X", "", "Y"}, "p(X,,Y)<-q(X,Y)\n"},
                    // The body starts after the first "<-" and may hold further ones.
                    RuleLineCase{"p(X)<-X>=Y,e(X)<-", "p", {"X"}, "p(X)<-e(X)<),X>=Y\n"},
                    // Malformed heads: every line still becomes a rule.
                    RuleLineCase{"q)(X)<-e(X)", "q)", {"X)<-e(X)"}, "q)(X)<-e(X))<-e(X)\n"},
                    RuleLineCase{"p(X<-e", "p", {"X<-e"}, "p(X<-e)<-e()\n"},
                    RuleLineCase{"p<-e(X)", "p<-e", {"X"}, "p<-e(X)<-e(X)\n"},
                    RuleLineCase{"p<-q", "p<-q", {""}, "p<-q()<-q()\n"},
                    RuleLineCase{"p(X)", "p", {"X"}, "p(X)<-\n"},
                    RuleLineCase{"p", "p", {""}, "p()<-\n"}, RuleLineCase{"", "", {""}, "()<-\n"}),
    namedAfter(&RuleLineCase::line));

TEST(RuleConstruction, LineWithoutArrowHasBodyWithoutElements) {
    const Rule rule("p(X),e(X)");
    ASSERT_EQ(rule.getBodies().size(), 1u);
    const RuleBody& body = rule.getBodies()[0];
    EXPECT_TRUE(body.getRelationElements().empty());
    EXPECT_TRUE(body.getAttributeFilters().empty());
    EXPECT_TRUE(body.getDataFilters().empty());
}

TEST(RuleToString, PrintsOneLinePerBodyInOrderAdded) {
    Rule rule("path(X,Y)<-edge(X,Y)");
    rule.addBodyOf("path(A,B)<-path(Z,Y),edge(X,Z),X<5");
    rule.addBodyOf("path(X,Y)<-");
    EXPECT_EQ(rule.toString(),
              "path(X,Y)<-edge(X,Y)\n"
              "path(X,Y)<-path(Z,Y),edge(X,Z),X<5\n"
              "path(X,Y)<-\n");
}

// Positions point at the first byte of each part in its input line, counted from 1.
TEST(RulePositions, EveryPartKnowsItsLineAndColumn) {
    Rule rule("p(X, Y)<-e(X,'a'),X<5,Y>=Z", 3);
    rule.addBodyOf("p(A)<-q(A),,r", 7);
    ASSERT_EQ(rule.getColumns().size(), 2u);
    EXPECT_EQ(rule.getColumns()[0].inputColumn, 3u);
    EXPECT_EQ(rule.getColumns()[1].inputColumn, 5u);
    EXPECT_EQ(rule.getInputLine(), 3u);
    const RuleBody& first = rule.getBodies()[0];
    EXPECT_EQ(first.getInputLine(), 3u);
    const RuleRelationElement& e = first.getRelationElements().at(0);
    EXPECT_EQ(e.getInputColumn(), 10u);
    EXPECT_EQ(e.columnsView().at(0).getInputColumn(), 12u);
    EXPECT_EQ(e.columnsView().at(1).getInputColumn(), 14u);
    EXPECT_EQ(first.getDataFilters().at(0).getInputColumn(), 19u);
    EXPECT_EQ(first.getDataFilters().at(0).getValueInputColumn(), 21u);
    EXPECT_EQ(first.getAttributeFilters().at(0).getInputColumn(), 23u);
    EXPECT_EQ(first.getAttributeFilters().at(0).getRightInputColumn(), 26u);
    const RuleBody& second = rule.getBodies()[1];
    EXPECT_EQ(second.getInputLine(), 7u);
    std::vector<std::size_t> columns;
    for (const RuleRelationElement& reference : second.getRelationElements()) {
        columns.push_back(reference.getInputColumn());
    }
    EXPECT_EQ(columns, (std::vector<std::size_t>{7, 12}));  // q(A), then ",r" as one element
    const Rule withoutArrow("p(X)", 1);
    EXPECT_TRUE(withoutArrow.getBodies()[0].getRelationElements().empty());
}

}  // namespace
