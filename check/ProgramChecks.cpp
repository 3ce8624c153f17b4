#include "check/ProgramChecks.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "check/NameSuggestion.h"
#include "data/Literal.h"
#include "data/ValuePool.h"
#include "engine/ProgramPlan.h"

namespace {

constexpr std::size_t kNoColumns = ~std::size_t{0};

// What a reference's name is declared as: the place of its first declaration and its columns,
// and for a stored relation that a rule shares its name with, the rule's columns too.
struct Declared {
    InputPlace place;
    std::size_t columns;
    bool isStored;
    std::size_t ruleColumns = kNoColumns;
};

class ProgramChecker {
public:
    ProgramChecker(const std::vector<std::pair<std::string, Rule>>& ruleList,
                   const std::vector<StoredRelation>& stored, Diagnostics& found)
        : rules(ruleList), edb(stored), diagnostics(found) {
        for (const StoredRelation& relation : edb) {
            declared.emplace(
                relation.getName(),
                Declared{{relation.getHeaderLine(), 1}, relation.getColumnCount(), true});
            knownNames.push_back(relation.getName());
        }
        for (const auto& [name, rule] : rules) {
            // A head's unnamed columns are left out of its rows.
            const auto& columns = rule.getColumns();
            const auto named = static_cast<std::size_t>(
                std::count_if(columns.begin(), columns.end(),
                              [](const RuleHeadColumn& c) { return !c.name.empty(); }));
            const auto [entry, isNew] =
                declared.emplace(name, Declared{{rule.getInputLine(), 1}, named, false});
            if (!isNew) entry->second.ruleColumns = named;
            knownNames.push_back(name);
        }
    }

    void checkHiddenRules() {
        for (const auto& [name, rule] : rules) {
            const Declared& first = declared.at(name);
            if (!first.isStored) continue;
            diagnostics.warn({rule.getInputLine(), 1},
                             quoted(name) +
                                 " names both a rule and a stored relation: references "
                                 "to it read the stored rows, never the rule's");
            diagnostics.note(first.place, "the stored relation " + quoted(name) + " is here");
        }
    }

    void checkBody(const RuleBody& body, const PlannedBody& planned, const Rule& rule) {
        const std::size_t line = body.getInputLine();
        for (const NoRowsReason& reason : planned.reasons) {
            switch (reason.kind) {
                case NoRowsReason::Kind::NoReference:
                    diagnostics.warn({line, 1},
                                     "this body refers to no relation, so it gives no rows");
                    break;
                case NoRowsReason::Kind::MissingRelation:
                    reportMissing(body.getRelationElements()[reason.element], line);
                    break;
                case NoRowsReason::Kind::UnboundHeadVariable:
                    reportUnboundHead(rule, reason.element, line);
                    break;
                case NoRowsReason::Kind::ContradictoryComparison: {
                    const RuleFilterData& filter = body.getDataFilters()[reason.element];
                    diagnostics.warn({line, filter.getInputColumn()},
                                     quoted(filter.leftView()) + " is bound by no reference, so " +
                                         quoted(filter.toString()) + " never holds");
                    break;
                }
                case NoRowsReason::Kind::UnboundComparedVariable:
                    reportUnboundComparison(body, body.getAttributeFilters()[reason.element], line);
                    break;
            }
        }
        checkArities(body, line);
    }

private:
    void reportMissing(const RuleRelationElement& reference, std::size_t line) {
        const InputPlace place{line, reference.getInputColumn()};
        diagnostics.warn(
            place, quoted(reference.nameView()) +
                       " is neither a stored relation nor a rule, so this body gives no rows");
        std::string_view name = reference.nameView();
        if (name.starts_with("!")) {
            diagnostics.note(place, "dedb has no negation: `!` is part of the name");
            name.remove_prefix(1);
        }
        const std::string suggestion = nearestName(name, knownNames);
        if (!suggestion.empty())
            diagnostics.note(place, "did you mean " + quoted(suggestion) + "?");
    }

    void reportUnboundHead(const Rule& rule, std::size_t column, std::size_t line) {
        const RuleHeadColumn& head = rule.getColumns()[column];
        const InputPlace place{line, line == rule.getInputLine() ? head.inputColumn : 1};
        diagnostics.warn(place,
                         "the head variable " + quoted(head.name) +
                             " is bound by no reference of this body, so the body gives no rows");
        if (!head.name.empty() && (head.name.front() == '\'' || isDigitsOnly(head.name))) {
            diagnostics.note(place, "a head holds variables only: " + quoted(head.name) +
                                        " is a variable that nothing binds");
        }
    }

    // Reports each side of the comparison that no reference binds, with what was likely meant.
    void reportUnboundComparison(const RuleBody& body, const RuleFilterAttribute& filter,
                                 std::size_t line) {
        std::unordered_set<std::string_view> bound;
        for (const RuleRelationElement& reference : body.getRelationElements()) {
            for (const RuleColumn& argument : reference.columnsView()) {
                if (!argument.isConstant()) bound.insert(argument.nameView());
            }
        }
        for (const RuleFilterData& data : body.getDataFilters()) {
            if (data.getOp() != Comparison::Less && data.getOp() != Comparison::Greater) {
                bound.insert(data.leftView());
            }
        }
        const std::string shown = quoted(filter.toString());
        const std::pair<std::string_view, std::size_t> sides[] = {
            {filter.leftView(), filter.getInputColumn()},
            {filter.rightView(), filter.getRightInputColumn()}};
        for (const auto& [side, column] : sides) {
            if (bound.count(side) != 0) continue;
            const InputPlace place{line, column};
            diagnostics.warn(place, quoted(side) + " is bound by no reference of this body, so " +
                                        shown + " never holds");
            if (side.size() > 1 && side.front() == '-' && isDigitsOnly(side.substr(1))) {
                diagnostics.note(place,
                                 "a constant in a rule is digits or a quoted string: "
                                 "there are no negative ones");
            } else if (!side.empty() && isDigitsOnly(side)) {
                diagnostics.note(place, "the constant goes on the right of a comparison");
            } else if (side.ends_with("!")) {
                diagnostics.note(place, "dedb has no `!=`: `!` is part of the variable's name");
            } else if (side.find_first_of("+-*/") != std::string_view::npos) {
                diagnostics.note(place, "dedb has no arithmetic: " + quoted(side) +
                                            " is the name of one variable");
            }
        }
    }

    void checkArities(const RuleBody& body, std::size_t line) {
        for (const RuleRelationElement& reference : body.getRelationElements()) {
            const auto found = declared.find(reference.nameView());
            if (found == declared.end()) continue;
            const Declared& target = found->second;
            const std::size_t arguments = reference.getColumnCount();
            if (arguments == target.columns || arguments == target.ruleColumns) continue;
            const InputPlace place{line, reference.getInputColumn()};
            diagnostics.warn(place, quoted(reference.nameView()) + " has " +
                                        counted(target.columns, "column") +
                                        ", but this reference gives " +
                                        counted(arguments, "argument") + ", so it matches no row");
            diagnostics.note(target.place, quoted(reference.nameView()) + " is declared here");
        }
    }

    const std::vector<std::pair<std::string, Rule>>& rules;
    const std::vector<StoredRelation>& edb;
    Diagnostics& diagnostics;
    std::unordered_map<std::string, Declared> declared;  // the first declaration of a name
    std::vector<std::string> knownNames;
};

}  // namespace

void checkProgram(const std::vector<std::pair<std::string, Rule>>& rules,
                  const std::vector<StoredRelation>& edb, const std::set<std::size_t>& skippedLines,
                  Diagnostics& diagnostics) {
    ValuePool pool;
    const ProgramPlan plan(rules, edb, pool);
    ProgramChecker checker(rules, edb, diagnostics);
    checker.checkHiddenRules();
    for (std::size_t i = 0; i < rules.size(); ++i) {
        const Rule& rule = rules[i].second;
        for (std::size_t b = 0; b < rule.getBodies().size(); ++b) {
            const RuleBody& body = rule.getBodies()[b];
            if (skippedLines.count(body.getInputLine()) != 0) continue;
            checker.checkBody(body, plan.bodiesOf(i)[b], rule);
        }
    }
}
