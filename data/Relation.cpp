#include "data/Relation.h"

#include "data/Data.h"
#include "data/Literal.h"
#include "data/RelationTable.h"
#include "data/RelationText.h"
#include "data/RunStore.h"

Relation::Relation(std::string_view header) {
    const std::size_t open = header.find('(');
    // The last character of the line is dropped whatever it is (normally the closing ")").
    const std::size_t end = header.empty() ? 0 : header.size() - 1;
    if (open == std::string_view::npos) {
        name = std::string(header);
        parseColumns(header.substr(0, end));
    } else {
        name = std::string(headerName(header));
        parseColumns(open + 1 <= end ? header.substr(open + 1, end - open - 1)
                                     : std::string_view());
    }
}

void Relation::parseColumns(std::string_view text) {
    columns.clear();
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = text.find(',', start);
        const std::string_view piece = text.substr(start, comma - start);
        columns.push_back(&runStore().makeColumn(std::string(piece), std::string()));
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
}

void Relation::parseRow(std::string_view line) {
    if (line.empty()) return;
    RunStore& store = runStore();
    DataRow& row = store.makeRow();
    std::size_t start = 0;
    for (std::size_t position = 0;; ++position) {
        const std::size_t comma = line.find(',', start);
        const std::string_view field = line.substr(start, comma - start);
        // Fields past the last column keep their value; they just have no column to link to.
        const DataColumn* column = position < columns.size() ? columns[position] : nullptr;
        if (!field.empty() && field.front() == '\'') {
            row.add(&store.makeString(stringLiteralValue(field), column));
        } else {
            row.add(&store.makeInteger(integerLiteralValue(field), column));
        }
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
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
