#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "rules/Rule.h"
#include "rules/RuleBody.h"
#include "tests/TestNames.h"
#include "tests/reference/PlainEvaluation.h"
#include "tests/reference/model/DataInteger.h"
#include "tests/reference/model/Relation.h"
#include "tests/reference/model/TestStore.h"

namespace {

Relation makeRelation(const char* header, const std::vector<const char*>& rows) {
    Relation relation(header, testStore());
    for (const char* row : rows) relation.parseRow(row, testStore());
    return relation;
}

std::vector<std::string> columnNames(const Relation& relation) {
    std::vector<std::string> names;
    for (const DataColumn* column : relation.getColumns()) names.push_back(column->getName());
    return names;
}

// Each row as the text forms of its values joined by ","; a row without values is "".
std::vector<std::string> rowTexts(const Relation& relation) {
    std::vector<std::string> texts;
    for (const DataRow* row : relation.getRows()) {
        std::string text;
        for (std::size_t i = 0; i < row->size(); ++i) {
            if (i > 0) text += ',';
            text += row->get(i)->toString();
        }
        texts.push_back(text);
    }
    return texts;
}

// Integers and strings side by side, rows of the wrong length, an empty relation, and a second
// relation named q that every lookup must pass over.
const std::vector<Relation>& bodyRelations() {
    static const std::vector<Relation> relations = {
        makeRelation("q(A)", {"3", "5", "7", "'a'", "'5'"}),
        makeRelation("s(A)", {"'a'", "'b'", "'c'", "2"}),
        makeRelation("v(A,B)", {"1,2", "2,2", "3,2", "'a','b'", "'b','b'", "'c','b'", "1,'1'"}),
        makeRelation("e(A,B)", {"1,2", "2,2"}),
        makeRelation("t(A)", {"'x'"}),
        makeRelation("m(A)", {"1", "2,3"}),
        makeRelation("z(A)", {}),
        makeRelation("q(A)", {"100"}),
    };
    return relations;
}

struct BodyCase {
    const char* body;
    std::vector<std::string> columns;
    std::vector<std::string> rows;
};

void PrintTo(const BodyCase& c, std::ostream* os) { *os << c.body; }

class RuleBodyEvaluate : public testing::TestWithParam<BodyCase> {};

TEST_P(RuleBodyEvaluate, YieldsColumnsAndRowsInEnumerationOrder) {
    const Relation result =
        evaluatePlainly(RuleBody(GetParam().body), bodyRelations(), testStore());
    EXPECT_EQ(columnNames(result), GetParam().columns);
    EXPECT_EQ(rowTexts(result), GetParam().rows);
}

INSTANTIATE_TEST_SUITE_P(
    Joins, RuleBodyEvaluate,
    testing::Values(BodyCase{"e(X,Y),t(Z),e(U,V)",
                             {"X", "Y", "Z", "U", "V"},
                             {"1,2,'x',1,2", "1,2,'x',2,2", "2,2,'x',1,2", "2,2,'x',2,2"}},
                    BodyCase{"v(X,Y),e(Y,Z)", {"X", "Y", "Z"}, {"1,2,2", "2,2,2", "3,2,2"}},
                    BodyCase{"q(X),s(Y),X<Y",
                             {"X", "Y"},
                             {"'a','b'", "'a','c'", "'5','a'", "'5','b'", "'5','c'"}},
                    // The same row taken twice binds two variables to one value object.
                    BodyCase{"e(X,Y),e(Y,Z)", {"X", "Y", "Z"}, {"1,2,2", "2,2,2"}},
                    BodyCase{"e(X,Y),e(Y,Z),X<=Y,Y=2", {"X", "Y", "Z"}, {"1,2,2", "2,2,2"}},
                    BodyCase{"q(X)", {"X"}, {"3", "5", "7", "'a'", "'5'"}}),
    namedAfter(&BodyCase::body));

INSTANTIATE_TEST_SUITE_P(Constants, RuleBodyEvaluate,
                         testing::Values(BodyCase{"v(X,X)", {"X"}, {"2", "'b'"}},
                                         BodyCase{"v(X,2)", {"X"}, {"1", "2", "3"}},
                                         BodyCase{"v(X,'b')", {"X"}, {"'a'", "'b'", "'c'"}},
                                         BodyCase{"v(X,'2')", {"X"}, {}},
                                         BodyCase{"v(1,Y)", {"Y"}, {"2", "'1'"}},
                                         BodyCase{"q(5)", {""}, {""}},
                                         BodyCase{"q('5')", {""}, {""}}, BodyCase{"q(6)", {""}, {}},
                                         BodyCase{"v(1,'1')", {""}, {""}}),
                         namedAfter(&BodyCase::body));

INSTANTIATE_TEST_SUITE_P(
    Comparisons, RuleBodyEvaluate,
    testing::Values(
        BodyCase{"q(X),X<5", {"X"}, {"3"}}, BodyCase{"q(X),X<=5", {"X"}, {"3", "5"}},
        BodyCase{"q(X),X=5", {"X"}, {"5"}}, BodyCase{"q(X),X>5", {"X"}, {"7"}},
        BodyCase{"q(X),X>=5", {"X"}, {"5", "7"}}, BodyCase{"q(X),X='5'", {"X"}, {"'5'"}},
        BodyCase{"s(X),X<'b'", {"X"}, {"'a'"}}, BodyCase{"s(X),X<='b'", {"X"}, {"'a'", "'b'"}},
        BodyCase{"s(X),X='b'", {"X"}, {"'b'"}}, BodyCase{"s(X),X>'b'", {"X"}, {"'c'"}},
        BodyCase{"s(X),X>='b'", {"X"}, {"'b'", "'c'"}},
        BodyCase{"v(X,Y),X<Y", {"X", "Y"}, {"1,2", "'a','b'"}},
        BodyCase{"v(X,Y),X<=Y", {"X", "Y"}, {"1,2", "2,2", "'a','b'", "'b','b'"}},
        BodyCase{"v(X,Y),X=Y", {"X", "Y"}, {"2,2", "'b','b'"}},
        BodyCase{"v(X,Y),X>Y", {"X", "Y"}, {"3,2", "'c','b'"}},
        BodyCase{"v(X,Y),X>=Y", {"X", "Y"}, {"2,2", "3,2", "'b','b'", "'c','b'"}},
        // A comparison tests a variable that a reference binds; it never binds it first.
        BodyCase{"X=3,q(X)", {"X"}, {"3"}},
        // A variable comparison with an unbound side fails.
        BodyCase{"q(X),X<Y", {"X"}, {}}, BodyCase{"q(X),Y<X", {"X"}, {}},
        BodyCase{"e(X,Y),Z=2,X<Z", {"X", "Y", "Z"}, {"1,2,2"}}),
    namedAfter(&BodyCase::body));

INSTANTIATE_TEST_SUITE_P(Assignments, RuleBodyEvaluate,
                         testing::Values(BodyCase{"t(X),Y=3", {"X", "Y"}, {"'x',3"}},
                                         BodyCase{"t(X),Y='a'", {"X", "Y"}, {"'x','a'"}},
                                         BodyCase{"t(X),Y<=3", {"X", "Y"}, {"'x',3"}},
                                         BodyCase{"t(X),Y>=3", {"X", "Y"}, {"'x',3"}},
                                         BodyCase{"t(X),Y<3", {"X", "Y"}, {}},
                                         BodyCase{"t(X),Y>3", {"X", "Y"}, {}},
                                         BodyCase{"t(X),Y=3,Y=4", {"X", "Y"}, {}},
                                         BodyCase{"t(X),=5", {"X", ""}, {"'x',5"}}),
                         namedAfter(&BodyCase::body));

INSTANTIATE_TEST_SUITE_P(
    NoCombinations, RuleBodyEvaluate,
    testing::Values(BodyCase{"e(X)", {"X"}, {}}, BodyCase{"e(X,Y,Z)", {"X", "Y", "Z"}, {}},
                    BodyCase{"m(X)", {"X"}, {"1"}}, BodyCase{"m(X,Y)", {"X", "Y"}, {"2,3"}},
                    BodyCase{"nope(X)", {"X"}, {}}, BodyCase{"q(X),nope(Y)", {"X", "Y"}, {}},
                    BodyCase{"nope(Y),q(X)", {"Y", "X"}, {}}, BodyCase{"q(X),z(Y)", {"X", "Y"}, {}},
                    BodyCase{"X=5", {}, {}}, BodyCase{"X=5,X<Y", {}, {}}),
    namedAfter(&BodyCase::body));

TEST(RuleBodyEvaluateBinding, LeavesColumnLinksOfValuesAlone) {
    const Relation e = makeRelation("e(A,B)", {"2,2"});
    const auto* value = dynamic_cast<const DataInteger*>(e.getRows().at(0)->get(1));
    ASSERT_NE(value, nullptr);
    const RuleBody body("e(X,Y),e(Y,Z),W=7");
    EXPECT_EQ(rowTexts(evaluatePlainly(body, {e}, testStore())),
              std::vector<std::string>{"2,2,2,7"});
    EXPECT_EQ(value->getColumn(), e.getColumns().at(1));
}

const std::vector<Relation>& ruleRelations() {
    static const std::vector<Relation> relations = {
        makeRelation("e(A,B)", {"1,'a'", "2,'b'", "1,'c'"}),
        makeRelation("f(A)", {"5", "1", "6"}),
        makeRelation("q(A)", {"1", "2"}),
        makeRelation("z(A)", {}),
    };
    return relations;
}

Rule makeRule(const std::vector<std::string>& lines) {
    Rule rule(lines.at(0));
    for (std::size_t i = 1; i < lines.size(); ++i) {
        rule.addBodyOf(lines[i]);
    }
    return rule;
}

struct RuleCase {
    std::vector<std::string> lines;
    std::vector<std::string> columns;
    std::vector<std::string> rows;
};

void PrintTo(const RuleCase& c, std::ostream* os) { *os << testing::PrintToString(c.lines); }

class RuleEvaluate : public testing::TestWithParam<RuleCase> {};

std::string ruleCaseName(const testing::TestParamInfo<RuleCase>& info) {
    std::string text;
    for (const std::string& line : info.param.lines) text += line + " ";
    return testName(text, info.index);
}

TEST_P(RuleEvaluate, UnitesBodiesProjectedOntoHead) {
    const Relation result =
        evaluatePlainly(makeRule(GetParam().lines), ruleRelations(), testStore());
    EXPECT_EQ(result.getName(), "p");
    EXPECT_EQ(columnNames(result), GetParam().columns);
    EXPECT_EQ(rowTexts(result), GetParam().rows);
}

INSTANTIATE_TEST_SUITE_P(
    Heads, RuleEvaluate,
    testing::Values(
        RuleCase{{"p(B,A,B)<-e(A,B)"}, {"B", "A", "B"}, {"'a',1,'a'", "'b',2,'b'", "'c',1,'c'"}},
        RuleCase{{"p(X)<-e(X,Y)", "p(X)<-f(X)"}, {"X"}, {"1", "2", "5", "6"}},
        RuleCase{{"p(X)<-nope(X)", "p(X)<-q(X)"}, {"X"}, {"1", "2"}},
        RuleCase{{"p(X, Y)<-e(X, Y)"}, {"X", " Y"}, {"1,'a'", "2,'b'", "1,'c'"}},
        // A named head variable that a body lacks: that body contributes nothing.
        RuleCase{{"p(X, Y)<-e(X,Y)"}, {"X", " Y"}, {}},
        RuleCase{{"p(X,Z)<-e(X,Y)"}, {"X", "Z"}, {}},
        RuleCase{{"p(X,Z)<-e(X,Y)", "p(X,Z)<-e(X,Z)"}, {"X", "Z"}, {"1,'a'", "2,'b'", "1,'c'"}},
        // The quoted comma splits the body's column text, so b' lies past the end of its rows.
        RuleCase{{"p(x'a,b')<-f(x'a,b')"}, {"x'a", "b'"}, {}}, RuleCase{{"p(X)<-X=5"}, {"X"}, {}},
        RuleCase{{"p(X)"}, {"X"}, {}},
        // An empty head yields one row without values when the body has rows.
        RuleCase{{"p()<-q(X)"}, {""}, {""}}, RuleCase{{"p()<-z(X)"}, {""}, {}},
        RuleCase{{"p()<-q(1)"}, {""}, {""}}, RuleCase{{"p()<-q(3)"}, {""}, {}},
        RuleCase{{"p()<-q(X),=5"}, {""}, {"5"}}),
    ruleCaseName);

TEST(RuleEvaluateEmptyHead, RowWithoutValuesIsMatchedByEmptyReference) {
    std::vector<Relation> relations = ruleRelations();
    relations.push_back(evaluatePlainly(Rule("p()<-q(X)"), relations, testStore()));
    EXPECT_EQ(rowTexts(evaluatePlainly(RuleBody("p(),q(X)"), relations, testStore())),
              (std::vector<std::string>{"1", "2"}));
}

}  // namespace
