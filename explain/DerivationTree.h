#pragma once

#include <cstddef>
#include <cstdio>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "data/StoredRelation.h"
#include "data/ValuePool.h"
#include "engine/DerivationSearch.h"
#include "rules/Rule.h"

// Prints how a row was first derived, down to stored rows, one row per line or one JSON object
// per row. Walks the tree with a stack of its own, so a derivation thousands of levels deep
// prints without deep recursion; a derived row is expanded once, and later mentions refer to it.
class DerivationTree {
public:
    // ruleLineText(n) gives the text of input line n, a rule line.
    DerivationTree(DerivationSearch& search, const std::vector<std::pair<std::string, Rule>>& rules,
                   const std::vector<StoredRelation>& edb, const std::vector<RelationTable>& idb,
                   const ValuePool& pool, std::function<std::string(std::size_t)> ruleLineText);

    // Levels beyond depth (counting the root as 1) are left out, and the cut is said; 0 for all.
    void printText(const RowPlace& root, std::size_t depth, std::FILE* out);
    void printJson(const RowPlace& root, std::size_t depth, std::FILE* out);

private:
    std::string rowText(const RowPlace& place) const;
    std::string valuesJson(const RowPlace& place) const;
    const ValueId* rowOf(const RowPlace& place) const;
    std::size_t storedLineOf(const RowPlace& place) const;
    std::size_t ruleLineOf(const RowPlace& place, const Derivation& derivation) const;

    DerivationSearch& search;
    const std::vector<std::pair<std::string, Rule>>& rules;
    const std::vector<StoredRelation>& edb;
    const std::vector<RelationTable>& idb;
    const ValuePool& pool;
    std::function<std::string(std::size_t)> ruleLineText;
};

// Text as a JSON string, quotes included. Bytes that do not form UTF-8 stand for the characters
// of the same numbers.
std::string jsonString(std::string_view text);
