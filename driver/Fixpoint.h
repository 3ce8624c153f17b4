#pragma once

#include <string>
#include <utility>
#include <vector>

#include "data/RelationTable.h"
#include "data/ValuePool.h"
#include "rules/Rule.h"

// Evaluates the rules bottom-up until an iteration derives no new row and returns one table
// per rule, in rule order, rows in the order of their first derivation.
//
// The first pass evaluates each rule once over the stored relations only: a reference to a rule
// finds either an empty placeholder (the rule itself and those before it) or nothing. Each
// iteration then stands for evaluating every rule against the stored relations and everything
// derived so far, merging the new rows only after all rules have run. Only combinations holding
// at least one row new in the previous iteration can give anything new, so each body is run once
// per derived reference: that reference over the newest rows, the derived references before it
// over older rows, those after it over all rows. New rows are ordered by the smallest
// combination that produced them, which is where the full evaluation would have found them.
std::vector<RelationTable> evaluateToFixpoint(
    const std::vector<std::pair<std::string, Rule>>& rules, const std::vector<RelationTable>& edb,
    ValuePool& pool);
