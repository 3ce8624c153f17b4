#pragma once

#include <cstddef>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "check/Diagnostics.h"
#include "data/StoredRelation.h"
#include "rules/Rule.h"

// The checks that need the whole program: names that find nothing, references with the wrong
// number of arguments, variables that nothing binds, rules hidden by stored relations. Bodies
// from the lines in skippedLines (already reported as not meant as rules) are passed over.
void checkProgram(const std::vector<std::pair<std::string, Rule>>& rules,
                  const std::vector<StoredRelation>& edb, const std::set<std::size_t>& skippedLines,
                  Diagnostics& diagnostics);
