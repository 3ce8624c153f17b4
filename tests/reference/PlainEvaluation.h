#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "rules/Rule.h"
#include "rules/RuleBody.h"
#include "tests/reference/model/Relation.h"
#include "tests/reference/model/RunStore.h"

// The reference evaluation: plain nested enumeration of every combination, plain lists and the
// full fixpoint, written to be obviously right rather than fast. The engine must print exactly
// what this prints.

// The distinct combinations of values that satisfy the body, under the body's variables. The
// store owns what the evaluation builds.
Relation evaluatePlainly(const RuleBody& body, const std::vector<Relation>& relations,
                         RunStore& store);

// The union of the rule's bodies, each cut down to the head's variables in head order.
Relation evaluatePlainly(const Rule& rule, const std::vector<Relation>& relations, RunStore& store);

// One relation per rule, in rule order, rows in the order of their first derivation. When
// sizes is given, it gets per iteration (the first pass being 0) each rule's row count after it.
std::vector<Relation> evaluateToFixpointPlainly(
    const std::vector<std::pair<std::string, Rule>>& rules, const std::vector<Relation>& edb,
    RunStore& store, std::vector<std::vector<std::size_t>>* sizes = nullptr);

// A program read by the program's own section rules into plain relations.
struct PlainProgram {
    std::vector<std::pair<std::string, Rule>> rules;
    std::vector<Relation> edb;
    std::string echo;
};
PlainProgram readPlainly(std::string_view input, RunStore& store);

// The whole output file for an input text: the echo, then every derived relation.
std::string runPlainly(std::string_view input);
