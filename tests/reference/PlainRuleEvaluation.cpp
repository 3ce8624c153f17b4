#include "tests/reference/PlainEvaluation.h"
#include "tests/reference/model/RelationOperations.h"

// Each head column is found by name among the body result's columns. A body that lacks a named
// head variable contributes nothing rather than rows shorter than the head; a nameless head
// column (as in p()) is simply left out where the body has no matching value.
Relation evaluatePlainly(const Rule& rule, const std::vector<Relation>& relations,
                         RunStore& store) {
    Relation result;
    result.setName(rule.getName());
    for (const RuleBody& body : rule.getBodies()) {
        const Relation bodyResult = evaluatePlainly(body, relations, store);
        if (bodyResult.rowsView().empty()) continue;
        const std::size_t rowLength = bodyResult.rowsView().front()->size();
        const std::vector<const DataColumn*>& bodyColumns = bodyResult.columnsView();
        std::vector<std::size_t> positions;
        bool contributes = true;
        for (const RuleHeadColumn& head : rule.getColumns()) {
            std::size_t position = 0;
            while (position < bodyColumns.size() &&
                   bodyColumns[position]->nameView() != head.name) {
                ++position;
            }
            const bool isUsable = position < bodyColumns.size() && position < rowLength;
            if (isUsable) {
                positions.push_back(position);
            } else if (!head.name.empty()) {
                contributes = false;
                break;
            }
        }
        if (contributes) result.addRows(project(bodyResult, positions, store));
    }
    result.parseColumns(rule.headText(), store);
    return result;
}
