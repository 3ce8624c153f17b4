#pragma once

#include <string>
#include <vector>

#include "engine/MissingRowSearch.h"
#include "rules/Rule.h"

// The words for why a row is missing: per line of its rule, the element that fails, the values
// that reached it, and what the elements before it gave; as text or as JSON.
std::string missingRowText(const std::string& row, const Rule& rule,
                           const std::vector<MissingRowVerdict>& verdicts);
std::string missingRowJson(const std::string& row, const Rule& rule,
                           const std::vector<MissingRowVerdict>& verdicts);
