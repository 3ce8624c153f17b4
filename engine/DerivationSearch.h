#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "data/RelationTable.h"
#include "data/StoredRelation.h"
#include "data/ValuePool.h"
#include "engine/DerivationHistory.h"
#include "engine/HeadBoundBody.h"
#include "engine/ProgramPlan.h"
#include "rules/Rule.h"

// Where a row stands: a stored relation's or a rule's table, the length of the row (which
// names the part) and its position there.
struct RowPlace {
    bool isStored = false;
    std::size_t relation = 0;  // in the stored relations or in the rules
    std::size_t arity = 0;
    std::size_t position = 0;
};

// The combination that gave a derived row its place: the iteration that first derived it, the
// body (rule line) and one row per reference of that body.
struct Derivation {
    static constexpr std::size_t kNoBody = ~std::size_t{0};
    std::size_t iteration = 0;
    std::size_t body = kNoBody;
    std::vector<RowPlace> children;
};

// Finds first derivations after an evaluation. A row committed in iteration n was first found
// by the first body, in rule order, that gives it from the rows committed by iteration n - 1,
// and by that body's first combination in enumeration order: that combination's key is the
// smallest, and the key decided the row's place. So one search per row, over the rows the
// iteration saw, follows exactly what the evaluation did.
//
// With the head's values known, the body's own order may start with a reference of which
// nothing is known (reach(X),edge(X,Y) asked for Y): a search in that order would scan, and a
// chain of n rows would cost n squared. References are matched most-known first instead, and
// when that changes their order, every combination is looked at and the smallest key kept.
class DerivationSearch {
public:
    // Everything given must outlive the search; the tables gain lookups as questions need them.
    DerivationSearch(const ProgramPlan& plan,
                     const std::vector<std::pair<std::string, Rule>>& rules,
                     std::vector<StoredRelation>& edb, std::vector<RelationTable>& idb,
                     ValuePool& pool, const DerivationHistory& history);

    // The first derivation of the rule's committed row at this place of the part for rows of
    // this length.
    Derivation firstDerivation(std::size_t rule, std::size_t arity, std::size_t position);

private:
    // A body's search, its references in the order it matches them, and for each reference of
    // the body where it stands in that order.
    struct BodySearch {
        std::unique_ptr<HeadBoundBody> search;
        std::vector<std::size_t> matchedAt;
        bool isInBodyOrder = true;
    };

    BodySearch& searchOf(std::size_t rule, std::size_t body);

    const ProgramPlan& plan;
    const std::vector<std::pair<std::string, Rule>>& rules;
    std::vector<StoredRelation>& edb;
    std::vector<RelationTable>& idb;
    ValuePool& pool;
    const DerivationHistory& history;
    std::vector<std::vector<BodySearch>> searches;  // made on first use
};

// A body's elements as text, references first, each as the language prints it.
std::vector<std::string> elementTextsOf(const RuleBody& body);
