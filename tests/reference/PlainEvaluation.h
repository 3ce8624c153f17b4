#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "data/Relation.h"
#include "rules/Rule.h"
#include "rules/RuleBody.h"

// The reference evaluation: plain nested enumeration of every combination, plain lists and the
// full fixpoint, written to be obviously right rather than fast. The engine must print exactly
// what this prints.

// The distinct combinations of values that satisfy the body, under the body's variables.
Relation evaluatePlainly(const RuleBody& body, const std::vector<Relation>& relations);

// The union of the rule's bodies, each cut down to the head's variables in head order.
Relation evaluatePlainly(const Rule& rule, const std::vector<Relation>& relations);

// One relation per rule, in rule order, rows in the order of their first derivation.
std::vector<Relation> evaluateToFixpointPlainly(
    const std::vector<std::pair<std::string, Rule>>& rules, const std::vector<Relation>& edb);

// The whole output file for an input text: the echo, then every derived relation.
std::string runPlainly(std::string_view input);
