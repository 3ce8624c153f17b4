#include "data/Relation.h"

#include "data/Data.h"
#include "data/Literal.h"
#include "data/RelationText.h"
#include "data/RunStore.h"

Relation::Relation(std::string_view header) {
    const std::size_t open = header.find('(');
    // The last character of the line is dropped whatever it is (normally the closing ")").
    const std::size_t end = header.empty() ? 0 : header.size() - 1;
    name = std::string(headerName(header));
    if (open == std::string_view::npos) {
        parseColumns(header.substr(0, end));
    } else {
        parseColumns(open + 1 <= end ? header.substr(open + 1, end - open - 1)
                                     : std::string_view());
    }
}

void Relation::parseColumns(std::string_view text) {
    columns.clear();
    forEachCommaPiece(text, [this](std::string_view piece) {
        columns.push_back(&runStore().makeColumn(std::string(piece), std::string()));
    });
}

void Relation::parseRow(std::string_view line) {
    if (line.empty()) return;
    RunStore& store = runStore();
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
