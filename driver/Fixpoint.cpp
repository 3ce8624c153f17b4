#include "driver/Fixpoint.h"

#include <algorithm>
#include <unordered_map>

#include "driver/PendingRows.h"
#include "rules/RuleBodyJoin.h"
#include "rules/RuleBodyPlan.h"

namespace {

// What a reference's name finds: a stored relation (the first of that name), else a rule.
struct Resolved {
    const RelationTable* stored = nullptr;
    std::size_t rule = 0;
    bool isDerived = false;
    bool isMissing = false;
};

struct BodyRun {
    RuleBodyPlan plan;
    std::vector<Resolved> references;
    std::vector<std::size_t> derived;  // positions of the derived references
    bool isMissingAny = false;
    // Per reference, the table its name finds (none when missing), and the rows it reads in
    // the current pass; a part, once found, stays where it is.
    std::vector<const RelationTable*> tables;
    std::vector<ReferenceRows> sources;
};

class FixpointEngine {
public:
    FixpointEngine(const std::vector<std::pair<std::string, Rule>>& ruleList,
                   const std::vector<RelationTable>& stored, ValuePool& values);
    std::vector<RelationTable> run();

private:
    void firstPass();
    bool iterate();
    // Points each reference of the body at all committed rows of its part.
    static void readAll(BodyRun& body);

    const std::vector<std::pair<std::string, Rule>>& rules;
    const std::vector<RelationTable>& edb;
    ValuePool& pool;
    std::vector<std::vector<BodyRun>> bodies;  // per rule
    // Per rule, its bodies that read a derived relation and can be satisfied: the bodies that
    // iterations run.
    std::vector<std::vector<std::uint32_t>> iteratedBodies;
    std::vector<RelationTable> idb;
    // Per rule, the rules with a body that reads it, in rule order.
    std::vector<std::vector<std::size_t>> readers;
    // The rules whose newest rows came in the last iteration: only their readers can find
    // anything new, so an iteration costs what changed, not what the program holds.
    std::vector<std::size_t> changed;
    // Kept from one iteration to the next, so that an iteration that touches little allocates
    // nothing: the joins per rule and body, the pending rows per rule, and scratch lists.
    std::vector<std::vector<RuleBodyJoin>> joins;
    std::vector<PendingRows> pendingOf;
    std::vector<std::size_t> active;
};

FixpointEngine::FixpointEngine(const std::vector<std::pair<std::string, Rule>>& ruleList,
                               const std::vector<RelationTable>& stored, ValuePool& values)
    : rules(ruleList), edb(stored), pool(values) {
    std::unordered_map<std::string, const RelationTable*> storedByName;
    for (const RelationTable& table : edb) storedByName.emplace(table.getName(), &table);
    std::unordered_map<std::string, std::size_t> ruleByName;
    for (std::size_t i = 0; i < rules.size(); ++i) ruleByName.emplace(rules[i].second.getName(), i);

    for (const auto& [headName, rule] : rules) {
        idb.emplace_back(rule.getName());
        std::vector<BodyRun>& runs = bodies.emplace_back();
        const std::vector<std::string> head = rule.headColumnNames();
        for (const RuleBody& body : rule.getBodies()) {
            BodyRun bodyRun{RuleBodyPlan(body, head, pool), {}, {}, false, {}, {}};
            for (const PlanReference& reference : bodyRun.plan.getReferences()) {
                Resolved resolved;
                if (const auto found = storedByName.find(reference.name);
                    found != storedByName.end()) {
                    resolved.stored = found->second;
                } else if (const auto named = ruleByName.find(reference.name);
                           named != ruleByName.end()) {
                    resolved.rule = named->second;
                    resolved.isDerived = true;
                    bodyRun.derived.push_back(bodyRun.references.size());
                } else {
                    resolved.isMissing = true;
                    bodyRun.isMissingAny = true;
                }
                bodyRun.references.push_back(resolved);
            }
            runs.push_back(std::move(bodyRun));
        }
    }
    for (std::size_t i = 0; i < rules.size(); ++i) {
        std::vector<RuleBodyJoin>& ruleJoins = joins.emplace_back();
        std::size_t longestBody = 0;
        for (const BodyRun& body : bodies[i]) {
            ruleJoins.emplace_back(body.plan, pool);
            longestBody = std::max(longestBody, body.references.size());
        }
        pendingOf.emplace_back(idb[i], longestBody);
    }
    // The tables are all made: their places are final.
    iteratedBodies.resize(rules.size());
    for (std::size_t i = 0; i < rules.size(); ++i) {
        for (std::uint32_t b = 0; b < bodies[i].size(); ++b) {
            BodyRun& body = bodies[i][b];
            for (const Resolved& resolved : body.references) {
                body.tables.push_back(resolved.isMissing    ? nullptr
                                      : resolved.isDerived ? &idb[resolved.rule]
                                                           : resolved.stored);
            }
            body.sources.resize(body.references.size());
            if (!body.isMissingAny && !body.derived.empty() && !body.plan.isNeverSatisfied())
                iteratedBodies[i].push_back(b);
        }
    }
    readers.resize(rules.size());
    for (std::size_t i = 0; i < rules.size(); ++i) {
        for (const BodyRun& body : bodies[i]) {
            if (body.isMissingAny || body.plan.isNeverSatisfied()) continue;
            for (const std::size_t k : body.derived) {
                std::vector<std::size_t>& list = readers[body.references[k].rule];
                if (list.empty() || list.back() != i) list.push_back(i);
            }
        }
    }
}

std::vector<RelationTable> FixpointEngine::run() {
    firstPass();
    while (iterate()) {
    }
    return std::move(idb);
}

void FixpointEngine::readAll(BodyRun& body) {
    const std::vector<PlanReference>& references = body.plan.getReferences();
    for (std::size_t k = 0; k < body.sources.size(); ++k) {
        ReferenceRows& rows = body.sources[k];
        if (rows.part == nullptr && body.tables[k] != nullptr) {
            rows.part = body.tables[k]->findPart(references[k].arity);
        }
        rows.begin = 0;
        rows.end = rows.part != nullptr ? static_cast<std::uint32_t>(rows.part->size()) : 0;
    }
}

// Placeholders hold no rows and later rules are not there yet, so only bodies over stored
// relations alone can give rows in the first pass.
void FixpointEngine::firstPass() {
    for (std::size_t i = 0; i < rules.size(); ++i) {
        for (std::size_t b = 0; b < bodies[i].size(); ++b) {
            BodyRun& body = bodies[i][b];
            if (body.isMissingAny || !body.derived.empty() || body.plan.isNeverSatisfied())
                continue;
            readAll(body);
            RelationTable& target = idb[i];
            joins[i][b].run(body.sources,
                            [&target](const ValueId* row, std::size_t arity, const std::uint32_t*) {
                                target.insert(row, arity);
                            });
        }
        if (idb[i].size() > 0) changed.push_back(i);
    }
}

bool FixpointEngine::iterate() {
    active.clear();
    for (const std::size_t rule : changed) {
        for (const std::size_t reader : readers[rule]) active.push_back(reader);  // a few each
    }
    if (changed.size() > 1) {  // one rule's readers are listed in order, once each
        std::sort(active.begin(), active.end());
        active.erase(std::unique(active.begin(), active.end()), active.end());
    }

    for (const std::size_t i : active) {
        PendingRows& found = pendingOf[i];
        for (const std::uint32_t b : iteratedBodies[i]) {
            BodyRun& body = bodies[i][b];
            const std::size_t count = body.references.size();
            readAll(body);
            std::vector<ReferenceRows>& sources = body.sources;
            RuleBodyJoin& join = joins[i][b];
            // Pass d reads the newest rows of derived reference d and the older rows of those
            // before it; a pass without newest rows finds nothing, and once a reference has no
            // older rows, no later pass can match.
            for (std::size_t d = 0; d < body.derived.size(); ++d) {
                ReferenceRows& current = sources[body.derived[d]];
                if (current.part != nullptr && current.part->getDeltaStart() < current.end) {
                    current.begin = current.part->getDeltaStart();
                    join.run(sources, [&](const ValueId* row, std::size_t arity,
                                          const std::uint32_t* positions) {
                        found.offer(row, arity, b, positions, count);
                    });
                }
                current.begin = 0;
                current.end = current.part != nullptr ? current.part->getDeltaStart() : 0;
                if (current.begin >= current.end) break;
            }
        }
    }
    // The rows of the last iteration stop being the newest; this iteration's become so.
    for (const std::size_t rule : changed) idb[rule].markDeltaStart();
    changed.clear();
    for (const std::size_t i : active) {
        idb[i].markDeltaStart();
        if (!pendingOf[i].isEmpty()) changed.push_back(i);
        pendingOf[i].commit();
    }
    return !changed.empty();
}

}  // namespace

std::vector<RelationTable> evaluateToFixpoint(
    const std::vector<std::pair<std::string, Rule>>& rules, const std::vector<RelationTable>& edb,
    ValuePool& pool) {
    return FixpointEngine(rules, edb, pool).run();
}
