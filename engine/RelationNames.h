#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "data/StoredRelation.h"
#include "rules/Rule.h"

// What a reference's name finds: a stored relation, a rule, or nothing.
struct ResolvedReference {
    enum class Kind { Stored, Derived, Missing };
    Kind kind = Kind::Missing;
    std::size_t index = 0;  // in the stored relations or in the rules
};

// Resolves the names of references: the first stored relation of the name, else the rule of
// the name. A stored relation hides a rule of the same name.
class RelationNames {
public:
    RelationNames(const std::vector<std::pair<std::string, Rule>>& rules,
                  const std::vector<StoredRelation>& edb);

    ResolvedReference resolve(const std::string& name) const;

private:
    std::unordered_map<std::string, std::size_t> storedByName;
    std::unordered_map<std::string, std::size_t> ruleByName;
};
