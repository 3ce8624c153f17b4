#include "engine/MissingRowSearch.h"

#include <algorithm>
#include <set>
#include <unordered_map>

#include "data/Comparison.h"
#include "data/ValueText.h"
#include "engine/DerivationSearch.h"
#include "engine/HeadBoundBody.h"

namespace {

using Bindings = std::unordered_map<std::string, ValueId>;

// One element of a body as the search takes it: a reference or a comparison of either kind.
struct Element {
    const RuleRelationElement* reference = nullptr;
    const RuleFilterData* constantComparison = nullptr;
    const RuleFilterAttribute* variableComparison = nullptr;
    std::size_t referenceNumber = 0;

    std::vector<std::string> variables() const {
        if (reference != nullptr) {
            std::vector<std::string> names;
            for (const RuleColumn& column : reference->columnsView()) {
                if (!column.isConstant()) names.push_back(column.getName());
            }
            return names;
        }
        if (constantComparison != nullptr) return {constantComparison->getLeft()};
        return {variableComparison->getLeft(), variableComparison->getRight()};
    }

    std::string text() const {
        if (reference != nullptr) return reference->toString();
        if (constantComparison != nullptr) return constantComparison->toString();
        return variableComparison->toString();
    }

    // The element with every bound variable replaced by its value, as the output prints it.
    std::string render(const Bindings& bound, const ValuePool& pool) const {
        auto variable = [&](const std::string& name, std::string& text) {
            const auto found = bound.find(name);
            if (found == bound.end()) {
                text += name;
            } else {
                pool.appendText(found->second, text);
            }
        };
        std::string text;
        if (reference != nullptr) {
            text = reference->getName() + "(";
            for (std::size_t i = 0; i < reference->getColumnCount(); ++i) {
                if (i > 0) text += ',';
                const RuleColumn& column = reference->columnsView()[i];
                if (column.isConstant()) {
                    appendValueText(text, column.getValue());
                } else {
                    variable(column.getName(), text);
                }
            }
            return text + ")";
        }
        if (constantComparison != nullptr) {
            variable(constantComparison->getLeft(), text);
            text += comparisonText(constantComparison->getOp());
            appendValueText(text, constantComparison->getValue());
            return text;
        }
        variable(variableComparison->getLeft(), text);
        text += comparisonText(variableComparison->getOp());
        variable(variableComparison->getRight(), text);
        return text;
    }
};

bool isKnown(const std::set<std::string>& known, const std::vector<std::string>& names) {
    return std::all_of(names.begin(), names.end(),
                       [&](const std::string& name) { return known.count(name) > 0; });
}

// The body's elements in the order of matching: comparisons the head alone decides, then each
// reference followed by the comparisons it completes, then comparisons of variables that no
// reference binds.
std::vector<Element> matchingOrder(const RuleBody& body, std::set<std::string> known) {
    std::vector<Element> comparisons;
    for (const RuleFilterData& element : body.getDataFilters()) {
        comparisons.push_back({.constantComparison = &element});
    }
    for (const RuleFilterAttribute& element : body.getAttributeFilters()) {
        comparisons.push_back({.variableComparison = &element});
    }
    std::vector<bool> isPlaced(comparisons.size(), false);
    std::vector<Element> order;
    auto placeCompleted = [&] {
        for (std::size_t i = 0; i < comparisons.size(); ++i) {
            if (!isPlaced[i] && isKnown(known, comparisons[i].variables())) {
                isPlaced[i] = true;
                order.push_back(comparisons[i]);
            }
        }
    };
    placeCompleted();
    const std::vector<RuleRelationElement>& references = body.getRelationElements();
    for (std::size_t k = 0; k < references.size(); ++k) {
        const Element element{.reference = &references[k], .referenceNumber = k};
        order.push_back(element);
        for (const std::string& name : element.variables()) known.insert(name);
        placeCompleted();
    }
    for (std::size_t i = 0; i < comparisons.size(); ++i) {
        if (!isPlaced[i]) order.push_back(comparisons[i]);
    }
    return order;
}

// Distinct value lists, up to a limit past which only the fact that there are more is kept.
// They keep the order in which they came, which is the order of enumeration.
struct DistinctTuples {
    std::vector<std::vector<ValueId>> tuples;
    std::set<std::vector<ValueId>> seen;
    bool isMore = false;

    // False once full.
    bool add(std::vector<ValueId> tuple, std::size_t limit) {
        if (seen.count(tuple) > 0) return !isMore;
        if (tuples.size() == limit) {
            isMore = true;
            return false;
        }
        seen.insert(tuple);
        tuples.push_back(std::move(tuple));
        return true;
    }
};

}  // namespace

MissingRowSearch::MissingRowSearch(const ProgramPlan& programPlan,
                                   const std::vector<std::pair<std::string, Rule>>& ruleList,
                                   std::vector<StoredRelation>& stored,
                                   std::vector<RelationTable>& derived, ValuePool& values)
    : plan(programPlan), rules(ruleList), edb(stored), idb(derived), pool(values) {}

std::vector<MissingRowVerdict> MissingRowSearch::explain(std::size_t rule,
                                                         const std::vector<ValueId>& row) {
    std::vector<MissingRowVerdict> verdicts;
    for (std::size_t body = 0; body < plan.bodiesOf(rule).size(); ++body) {
        verdicts.push_back(explainBody(rule, body, row));
    }
    return verdicts;
}

MissingRowVerdict MissingRowSearch::explainBody(std::size_t rule, std::size_t body,
                                                const std::vector<ValueId>& row) {
    MissingRowVerdict verdict;
    verdict.body = body;
    const PlannedBody& planned = plan.bodiesOf(rule)[body];
    if (!planned.canGiveRows()) {
        verdict.kind = MissingRowVerdict::Kind::NeverGivesRows;
        verdict.reasons = planned.reasons;
        return verdict;
    }
    const std::vector<std::string> head = valuedHeadColumns(rules[rule].second);
    Bindings headValues;
    for (std::size_t i = 0; i < head.size() && i < row.size(); ++i)
        headValues.emplace(head[i], row[i]);
    const std::vector<Element> order =
        matchingOrder(rules[rule].second.getBodies()[body], {head.begin(), head.end()});
    auto allRows = [&](std::size_t other, std::size_t length) {
        const RelationPart* part = idb[other].findPart(length);
        return part != nullptr ? part->size() : 0;
    };

    // Before any element: the head's own values.
    std::vector<std::string> projection = head;
    DistinctTuples reached;
    reached.add(row, kShown);
    std::vector<std::string> texts;
    std::vector<ResolvedReference> references;
    for (const Element& element : order) {
        texts.push_back(element.text());
        std::vector<std::string> newNames;
        if (element.reference != nullptr) {
            references.push_back(planned.references[element.referenceNumber]);
            for (const std::string& name : element.variables()) {
                if (std::find(projection.begin(), projection.end(), name) == projection.end() &&
                    std::find(newNames.begin(), newNames.end(), name) == newNames.end()) {
                    newNames.push_back(name);
                }
            }
        }
        std::vector<std::string> nextProjection = projection;
        nextProjection.insert(nextProjection.end(), newNames.begin(), newNames.end());
        HeadBoundBody search(head, texts, references, nextProjection, pool);
        DistinctTuples next;
        DistinctTuples given;  // the values of the new variables alone
        if (search.prepare(row.data(), row.size(), edb, idb, allRows)) {
            search.run([&](const ValueId* values, const std::uint32_t*) {
                const bool isRoom = next.add({values, values + nextProjection.size()}, kShown);
                const bool isRoomForNew =
                    given.add({values + projection.size(), values + nextProjection.size()}, kShown);
                return isRoom || isRoomForNew;
            });
        }
        if (next.tuples.empty()) {
            verdict.failing = element.render(headValues, pool);
            verdict.isComparison = element.reference == nullptr;
            std::set<std::string> seen;
            for (const std::vector<ValueId>& tuple : reached.tuples) {
                Bindings bound;
                for (std::size_t i = 0; i < projection.size(); ++i)
                    bound.emplace(projection[i], tuple[i]);
                std::string instance = element.render(bound, pool);
                if (seen.insert(instance).second) verdict.instances.push_back(std::move(instance));
            }
            verdict.isMoreInstances = reached.isMore;
            return verdict;
        }
        if (!newNames.empty()) {
            MissingRowVerdict::Step& step = verdict.steps.emplace_back();
            step.element = element.render(headValues, pool);
            step.isMore = given.isMore;
            for (const std::vector<ValueId>& tuple : given.tuples) {
                std::string values;
                for (std::size_t i = 0; i < newNames.size(); ++i) {
                    if (i > 0) values += ' ';
                    values += newNames[i] + "=";
                    pool.appendText(tuple[i], values);
                }
                step.values.push_back(std::move(values));
            }
        }
        projection = std::move(nextProjection);
        reached = std::move(next);
    }
    verdict.kind = MissingRowVerdict::Kind::GivesRow;
    return verdict;
}
