#pragma once

#include <string>
#include <utility>
#include <vector>

#include "data/Relation.h"
#include "rules/Rule.h"

// Evaluates the rules bottom-up until an iteration derives no new row and returns one relation
// per rule, in rule order, its rows in the order of their first derivation.
std::vector<Relation> evaluateToFixpoint(const std::vector<std::pair<std::string, Rule>>& rules,
                                         const std::vector<Relation>& edb);
