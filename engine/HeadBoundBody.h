#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "data/RelationTable.h"
#include "data/StoredRelation.h"
#include "data/ValuePool.h"
#include "engine/RelationNames.h"
#include "engine/RuleBodyJoin.h"
#include "engine/RuleBodyPlan.h"
#include "rules/Rule.h"
#include "rules/RuleBody.h"

// Some elements of a body, matched with the head's variables already bound to the values of one
// row: the question of how a given row came, or why it did not. The head's row stands as a
// reference of its own before the others, so the body's plan looks up every other reference by
// what the row and the references before it fix, and combinations still come in the order of
// plain enumeration.
// The head's columns that a row has values for: an unnamed column gets none.
std::vector<std::string> valuedHeadColumns(const Rule& rule);

class HeadBoundBody {
public:
    // The elements' texts, in the order they are matched; references lists what each reference
    // among them found, in order. The combinations give the values of the projected variables.
    HeadBoundBody(const std::vector<std::string>& headColumns,
                  const std::vector<std::string>& elements,
                  std::vector<ResolvedReference> references,
                  const std::vector<std::string>& projection, ValuePool& pool);

    // Binds the head to the row and points every reference at its rows: all stored rows, and of
    // each rule the rows that visibleRows(rule, rowLength) allows. False when a reference has no
    // rows, so that nothing can match. Builds the lookups the plan needs on first use.
    template <typename VisibleRows>
    bool prepare(const ValueId* row, std::size_t arity, std::vector<StoredRelation>& edb,
                 std::vector<RelationTable>& idb, VisibleRows&& visibleRows);

    // Calls emit(projected, positions) for each combination in enumeration order while emit
    // returns true; positions holds a row position per reference, the head's first.
    template <typename Emit>
    void run(Emit&& emit) {
        join->run(sources, [&](const ValueId* projected, std::size_t, const std::uint32_t* at) {
            return emit(projected, at);
        });
    }

private:
    bool prepareReference(std::size_t k, RelationTable* table, std::size_t visible);

    std::unique_ptr<RuleBody> body;
    std::unique_ptr<RuleBodyPlan> plan;
    std::unique_ptr<RuleBodyJoin> join;
    std::vector<ResolvedReference> found;
    std::vector<ReferenceRows> sources;
    std::vector<std::size_t> indexNumbers;  // per reference, its lookup's index once built
    RelationTable headRow;
};

template <typename VisibleRows>
bool HeadBoundBody::prepare(const ValueId* row, std::size_t arity, std::vector<StoredRelation>& edb,
                            std::vector<RelationTable>& idb, VisibleRows&& visibleRows) {
    if (plan->isNeverSatisfied()) return false;
    if (plan->getReferences().front().arity != arity) return false;
    headRow = RelationTable("");
    headRow.insert(row, arity);
    // A head column that reads as a constant makes even the head's row a lookup.
    indexNumbers[0] = ~std::size_t{0};
    if (!prepareReference(0, &headRow, 1)) return false;
    for (std::size_t k = 1; k < sources.size(); ++k) {
        const ResolvedReference& reference = found[k - 1];
        const std::size_t length = plan->getReferences()[k].arity;
        if (reference.kind == ResolvedReference::Kind::Missing) return false;
        if (reference.kind == ResolvedReference::Kind::Stored) {
            RelationTable& table = edb[reference.index].getRows();
            const RelationPart* part = table.findPart(length);
            if (!prepareReference(k, &table, part != nullptr ? part->size() : 0)) return false;
        } else if (!prepareReference(k, &idb[reference.index],
                                     visibleRows(reference.index, length))) {
            return false;
        }
    }
    return true;
}
