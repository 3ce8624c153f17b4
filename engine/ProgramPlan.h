#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "data/StoredRelation.h"
#include "data/ValuePool.h"
#include "engine/RelationNames.h"
#include "engine/RuleBodyPlan.h"
#include "rules/Rule.h"

// One body ready for evaluation: its plan, what each reference's name found, and why it can
// never give a row, if it cannot.
struct PlannedBody {
    RuleBodyPlan plan;
    std::vector<ResolvedReference> references;
    std::vector<std::size_t> derived;  // positions of the references to rules
    // A reference that found nothing, in reference order, then the plan's own reasons.
    std::vector<NoRowsReason> reasons;

    bool canGiveRows() const { return reasons.empty(); }
};

// Everything about a program that evaluation decides once, before the first pass: each body's
// plan and resolved names, which bodies iterations run, and which rules read which. Checks and
// explanations can ask it why a body gives nothing. The rules must outlive the plan.
class ProgramPlan {
public:
    ProgramPlan(const std::vector<std::pair<std::string, Rule>>& rules,
                const std::vector<StoredRelation>& edb, ValuePool& pool);

    std::size_t ruleCount() const { return bodies.size(); }
    const std::string& ruleNameOf(std::size_t rule) const { return rules[rule].first; }
    const std::vector<PlannedBody>& bodiesOf(std::size_t rule) const { return bodies[rule]; }
    // The bodies that read a rule and can give rows: the only ones that iterations run.
    const std::vector<std::uint32_t>& iteratedBodiesOf(std::size_t rule) const {
        return iteratedBodies[rule];
    }
    // The rules with a body that reads this rule and can give rows, in rule order.
    const std::vector<std::size_t>& readersOf(std::size_t rule) const { return readers[rule]; }
    // The most references in one body of the rule.
    std::size_t longestBodyOf(std::size_t rule) const;

private:
    void planBodies(const std::vector<std::pair<std::string, Rule>>& rules,
                    const std::vector<StoredRelation>& edb, ValuePool& pool);
    void findReaders();

    const std::vector<std::pair<std::string, Rule>>& rules;
    std::vector<std::vector<PlannedBody>> bodies;  // per rule
    std::vector<std::vector<std::uint32_t>> iteratedBodies;
    std::vector<std::vector<std::size_t>> readers;
};
