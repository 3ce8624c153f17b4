#include "engine/RelationNames.h"

RelationNames::RelationNames(const std::vector<std::pair<std::string, Rule>>& rules,
                             const std::vector<StoredRelation>& edb) {
    for (std::size_t i = 0; i < edb.size(); ++i) storedByName.emplace(edb[i].getName(), i);
    for (std::size_t i = 0; i < rules.size(); ++i) ruleByName.emplace(rules[i].second.getName(), i);
}

ResolvedReference RelationNames::resolve(const std::string& name) const {
    if (const auto stored = storedByName.find(name); stored != storedByName.end()) {
        return {ResolvedReference::Kind::Stored, stored->second};
    }
    if (const auto rule = ruleByName.find(name); rule != ruleByName.end()) {
        return {ResolvedReference::Kind::Derived, rule->second};
    }
    return {};
}
