#include "tests/reference/model/Relation.h"

#include "data/Literal.h"
#include "data/RelationText.h"
#include "tests/reference/model/Data.h"

Relation::Relation(std::string_view header, RunStore& store) : name(headerName(header)) {
    parseColumns(headerColumnsText(header), store);
}

void Relation::parseColumns(std::string_view text, RunStore& store) {
    columns.clear();
    forEachCommaPiece(text, [&](std::string_view piece) {
        columns.push_back(&store.makeColumn(std::string(piece), std::string()));
    });
}

void Relation::parseRow(std::string_view line, RunStore& store) {
    if (line.empty()) return;
    DataRow& row = store.makeRow();
    forEachCommaPiece(line, [&](std::string_view field) {
        // Fields past the last column keep their value; they just have no column to link to.
        const std::size_t position = row.size();
        const DataColumn* column = position < columns.size() ? columns[position] : nullptr;
        if (!field.empty() && field.front() == '\'') {
            row.add(&store.makeString(stringLiteralValue(field), column));
        } else {
            row.add(&store.makeInteger(integerLiteralValue(field), column));
        }
    });
    addRow(&row);
}

void Relation::addRow(const DataRow* row) {
    if (rowSet.insert(row).second) rows.push_back(row);
}

void Relation::addRows(const Relation& other) {
    if (&other == this) return;
    for (const DataRow* row : other.rows) addRow(row);
}

std::string Relation::toString() const {
    std::string text;
    appendTo(text);
    return text;
}

void Relation::appendTo(std::string& text) const {
    std::vector<std::string_view> columnNames;
    for (const DataColumn* column : columns) columnNames.push_back(column->nameView());
    appendRelationHeader(text, name, columnNames);
    for (const DataRow* row : rows) {
        for (const Data* value : row->valuesView()) {
            text += value->toString();
            text += ',';
        }
        // For a row without values this drops the previous line end, which is then put back:
        // an empty row prints nothing.
        text.pop_back();
        text += '\n';
    }
}
