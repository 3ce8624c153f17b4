#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "data/StoredRelation.h"
#include "data/ValuePool.h"
#include "engine/ProgramPlan.h"
#include "rules/Rule.h"

namespace {

using Kind = NoRowsReason::Kind;

std::vector<std::pair<std::string, Rule>> oneRule(const std::vector<std::string>& lines) {
    std::vector<std::pair<std::string, Rule>> rules;
    rules.emplace_back("p", Rule(lines.at(0), 1));
    for (std::size_t i = 1; i < lines.size(); ++i) rules[0].second.addBodyOf(lines[i], i + 1);
    return rules;
}

struct ReasonCase {
    const char* line;
    std::vector<std::pair<Kind, std::size_t>> reasons;
};

// The plan tells why a body can never give a row, naming the element that says so.
TEST(ProgramPlanReasons, NameTheElementThatKeepsABodyEmpty) {
    const std::vector<ReasonCase> cases = {
        {"p(X)<-e(X,Y)", {}},
        {"p(X)<-nope(X)", {{Kind::MissingRelation, 0}}},
        {"p(X)<-e(X,Y),nope(Y),Nope(X)", {{Kind::MissingRelation, 1}, {Kind::MissingRelation, 2}}},
        {"p(X)<-X=5", {{Kind::NoReference, 0}}},
        {"p(X,W)<-e(X,Y)", {{Kind::UnboundHeadVariable, 1}}},
        {"p(X)<-e(X,Y),Z>=1,Z<5,V>2", {{Kind::ContradictoryComparison, 2}}},
        {"p(X)<-e(X,Y),X<Z", {{Kind::UnboundComparedVariable, 0}}},
    };
    std::vector<StoredRelation> edb;
    edb.emplace_back("e(A,B)", 3);
    for (const ReasonCase& c : cases) {
        ValuePool pool;
        const ProgramPlan plan(oneRule({c.line}), edb, pool);
        std::vector<std::pair<Kind, std::size_t>> reasons;
        for (const NoRowsReason& reason : plan.bodiesOf(0).at(0).reasons) {
            reasons.emplace_back(reason.kind, reason.element);
        }
        EXPECT_EQ(reasons, c.reasons) << c.line;
    }
}

// Only bodies that read a rule and can give rows are iterated, and only they make readers.
TEST(ProgramPlanReaders, ListOnlyBodiesThatCanGiveRows) {
    std::vector<StoredRelation> edb;
    edb.emplace_back("e(A,B)", 3);
    ValuePool pool;
    const ProgramPlan plan(
        oneRule({"p(X)<-e(X,Y)", "p(X)<-p(Y),e(Y,X)", "p(X)<-p(X),nope(X)", "p(X)<-e(X,Y),p(Y)"}),
        edb, pool);
    EXPECT_EQ(plan.iteratedBodiesOf(0), (std::vector<std::uint32_t>{1, 3}));
    EXPECT_EQ(plan.readersOf(0), (std::vector<std::size_t>{0}));
    EXPECT_EQ(plan.bodiesOf(0).at(3).derived, (std::vector<std::size_t>{1}));
}

}  // namespace
