#include "tests/reference/model/RelationOperations.h"

#include <cassert>
#include <unordered_set>

Relation difference(const Relation& a, const Relation& b) {
    Relation result;
    result.setColumns(a.columnsView());
    result.setName(a.getName());
    const std::unordered_set<const DataRow*, RowHash, RowEqual> present(b.rowsView().begin(),
                                                                        b.rowsView().end());
    for (const DataRow* row : a.rowsView()) {
        if (present.count(row) == 0) result.addRow(row);
    }
    return result;
}

Relation project(const Relation& relation, const std::vector<std::size_t>& positions,
                 RunStore& store) {
    Relation result;
    std::vector<const DataColumn*> columns;
    for (std::size_t position : positions) {
        assert(position < relation.columnsView().size());
        if (position < relation.columnsView().size()) {
            columns.push_back(relation.columnsView()[position]);
        }
    }
    result.setColumns(columns);
    for (const DataRow* source : relation.rowsView()) {
        DataRow& row = store.makeRow();
        for (std::size_t position : positions) {
            // Callers pass positions inside the rows; one outside is skipped, never read.
            if (position < source->size()) row.add(source->get(position));
        }
        result.addRow(&row);
    }
    return result;
}
