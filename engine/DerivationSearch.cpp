#include "engine/DerivationSearch.h"

#include <set>

std::vector<std::string> elementTextsOf(const RuleBody& body) {
    std::vector<std::string> texts;
    for (const RuleRelationElement& element : body.getRelationElements()) {
        texts.push_back(element.toString());
    }
    for (const RuleFilterData& element : body.getDataFilters()) texts.push_back(element.toString());
    for (const RuleFilterAttribute& element : body.getAttributeFilters()) {
        texts.push_back(element.toString());
    }
    return texts;
}

DerivationSearch::DerivationSearch(const ProgramPlan& programPlan,
                                   const std::vector<std::pair<std::string, Rule>>& ruleList,
                                   std::vector<StoredRelation>& stored,
                                   std::vector<RelationTable>& derived, ValuePool& values,
                                   const DerivationHistory& iterations)
    : plan(programPlan),
      rules(ruleList),
      edb(stored),
      idb(derived),
      pool(values),
      history(iterations),
      searches(ruleList.size()) {
    for (std::size_t rule = 0; rule < rules.size(); ++rule) {
        searches[rule].resize(rules[rule].second.getBodies().size());
    }
}

namespace {

// The references' order of matching: each time, the one with the most columns known by the head,
// constants and the references before it, the earliest of equals.
std::vector<std::size_t> mostKnownFirst(const RuleBody& body,
                                        const std::vector<std::string>& head) {
    const std::vector<RuleRelationElement>& references = body.getRelationElements();
    std::set<std::string> known(head.begin(), head.end());
    std::vector<bool> isTaken(references.size(), false);
    std::vector<std::size_t> order;
    while (order.size() < references.size()) {
        std::size_t best = references.size();
        std::size_t bestKnown = 0;
        for (std::size_t k = 0; k < references.size(); ++k) {
            if (isTaken[k]) continue;
            std::size_t knownColumns = 0;
            for (const RuleColumn& column : references[k].columnsView()) {
                if (column.isConstant() || known.count(column.getName()) > 0) ++knownColumns;
            }
            if (best == references.size() || knownColumns > bestKnown) {
                best = k;
                bestKnown = knownColumns;
            }
        }
        isTaken[best] = true;
        order.push_back(best);
        for (const RuleColumn& column : references[best].columnsView()) {
            if (!column.isConstant()) known.insert(column.getName());
        }
    }
    return order;
}

}  // namespace

DerivationSearch::BodySearch& DerivationSearch::searchOf(std::size_t rule, std::size_t body) {
    BodySearch& entry = searches[rule][body];
    if (!entry.search) {
        const Rule& owner = rules[rule].second;
        const RuleBody& text = owner.getBodies()[body];
        const std::vector<std::string> head = valuedHeadColumns(owner);
        const std::vector<std::size_t> order = mostKnownFirst(text, head);
        const std::vector<std::string> elements = elementTextsOf(text);
        const std::vector<ResolvedReference>& found = plan.bodiesOf(rule)[body].references;
        std::vector<std::string> reordered;
        std::vector<ResolvedReference> references;
        entry.matchedAt.assign(order.size(), 0);
        for (std::size_t at = 0; at < order.size(); ++at) {
            reordered.push_back(elements[order[at]]);
            references.push_back(found[order[at]]);
            entry.matchedAt[order[at]] = at;
            entry.isInBodyOrder = entry.isInBodyOrder && order[at] == at;
        }
        reordered.insert(reordered.end(),
                         elements.begin() + static_cast<std::ptrdiff_t>(order.size()),
                         elements.end());
        entry.search =
            std::make_unique<HeadBoundBody>(head, reordered, std::move(references), head, pool);
    }
    return entry;
}

Derivation DerivationSearch::firstDerivation(std::size_t rule, std::size_t arity,
                                             std::size_t position) {
    Derivation derivation;
    derivation.iteration = history.iterationOf(rule, arity, position);
    const std::size_t iteration = derivation.iteration;
    const RelationPart& part = *idb[rule].findPart(arity);
    const std::vector<ValueId> row(part.row(position), part.row(position) + arity);
    // In the first pass a reference to a rule finds no rows; later, the rows committed by the
    // iteration before.
    auto visibleRows = [&](std::size_t other, std::size_t length) {
        return iteration == 0 ? 0 : history.rowsAfter(other, length, iteration - 1);
    };
    const std::vector<PlannedBody>& bodies = plan.bodiesOf(rule);
    std::vector<std::uint32_t> best;
    std::vector<std::uint32_t> key;
    for (std::size_t body = 0; body < bodies.size() && best.empty(); ++body) {
        if (!bodies[body].canGiveRows()) continue;
        BodySearch& entry = searchOf(rule, body);
        if (!entry.search->prepare(row.data(), arity, edb, idb, visibleRows)) continue;
        const std::size_t count = entry.matchedAt.size();
        key.resize(count);
        entry.search->run([&](const ValueId*, const std::uint32_t* positions) {
            for (std::size_t k = 0; k < count; ++k) key[k] = positions[entry.matchedAt[k] + 1];
            if (best.empty() || key < best) best = key;
            return !entry.isInBodyOrder;  // in body order, the first is the smallest
        });
        if (best.empty()) continue;
        derivation.body = body;
        for (std::size_t k = 0; k < count; ++k) {
            const ResolvedReference& reference = bodies[body].references[k];
            derivation.children.push_back({reference.kind == ResolvedReference::Kind::Stored,
                                           reference.index,
                                           bodies[body].plan.getReferences()[k].arity, best[k]});
        }
    }
    return derivation;
}
