#pragma once

#include <string_view>

#include "check/Diagnostics.h"
#include "rules/Rule.h"

// The checks of one rule line on its own, parsed as the rule it would start: its form (an arrow,
// no comment, no full stop at the end, no byte order mark), blanks at the ends of names, and
// variables meant as constants or wildcards. Returns false for a line that is not meant as a
// rule at all (a comment, a line without an arrow): nothing more should be said of its rule.
bool checkRuleLine(std::string_view line, const Rule& own, Diagnostics& diagnostics);
