#include "engine/ProgramPlan.h"

#include <algorithm>

ProgramPlan::ProgramPlan(const std::vector<std::pair<std::string, Rule>>& ruleList,
                         const std::vector<StoredRelation>& edb, ValuePool& pool)
    : rules(ruleList) {
    planBodies(rules, edb, pool);
    findReaders();
}

void ProgramPlan::planBodies(const std::vector<std::pair<std::string, Rule>>& ruleList,
                             const std::vector<StoredRelation>& edb, ValuePool& pool) {
    const RelationNames names(ruleList, edb);
    for (const auto& [headName, rule] : ruleList) {
        std::vector<PlannedBody>& planned = bodies.emplace_back();
        std::vector<std::uint32_t>& iterated = iteratedBodies.emplace_back();
        const std::vector<std::string> head = rule.headColumnNames();
        for (const RuleBody& body : rule.getBodies()) {
            PlannedBody entry{RuleBodyPlan(body, head, pool), {}, {}, {}};
            const std::vector<PlanReference>& references = entry.plan.getReferences();
            for (std::size_t k = 0; k < references.size(); ++k) {
                const ResolvedReference found = names.resolve(references[k].name);
                if (found.kind == ResolvedReference::Kind::Derived) entry.derived.push_back(k);
                if (found.kind == ResolvedReference::Kind::Missing) {
                    entry.reasons.push_back({NoRowsReason::Kind::MissingRelation, k});
                }
                entry.references.push_back(found);
            }
            const std::vector<NoRowsReason>& own = entry.plan.getNoRowsReasons();
            entry.reasons.insert(entry.reasons.end(), own.begin(), own.end());
            if (entry.canGiveRows() && !entry.derived.empty()) {
                iterated.push_back(static_cast<std::uint32_t>(planned.size()));
            }
            planned.push_back(std::move(entry));
        }
    }
}

void ProgramPlan::findReaders() {
    readers.resize(bodies.size());
    for (std::size_t i = 0; i < bodies.size(); ++i) {
        for (const PlannedBody& body : bodies[i]) {
            if (!body.canGiveRows()) continue;
            for (const std::size_t k : body.derived) {
                std::vector<std::size_t>& list = readers[body.references[k].index];
                if (list.empty() || list.back() != i) list.push_back(i);
            }
        }
    }
}

std::size_t ProgramPlan::longestBodyOf(std::size_t rule) const {
    std::size_t longest = 0;
    for (const PlannedBody& body : bodies[rule]) {
        longest = std::max(longest, body.references.size());
    }
    return longest;
}
