#pragma once

#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "tests/reference/model/DataColumn.h"
#include "tests/reference/model/DataRow.h"
#include "tests/reference/model/RunStore.h"

// A named table: columns and rows, rows in insertion order (the output depends on it) and never
// two equal rows. Rows enter only through addRow. Copies share columns, rows and values.
class Relation {
public:
    Relation() = default;
    // Reads a header line such as parent(X,Y); the store owns what the relation builds.
    Relation(std::string_view header, RunStore& store);

    std::string getName() const { return name; }
    const std::string& nameView() const { return name; }
    void setName(std::string newName) { name = std::move(newName); }

    std::vector<const DataColumn*> getColumns() const { return columns; }
    const std::vector<const DataColumn*>& columnsView() const { return columns; }
    void setColumns(const std::vector<const DataColumn*>& newColumns) { columns = newColumns; }

    std::vector<const DataRow*> getRows() const { return rows; }
    const std::vector<const DataRow*>& rowsView() const { return rows; }

    // Replaces the columns with one new column per comma-separated piece of the text.
    void parseColumns(std::string_view text, RunStore& store);
    // Builds a row from a comma-separated row line and offers it to addRow.
    void parseRow(std::string_view line, RunStore& store);
    // Stores the row unless an equal one is already stored.
    void addRow(const DataRow* row);
    // Offers every row of the other relation, in its order.
    void addRows(const Relation& other);
    // Whether a row equal to this one is stored.
    bool contains(const DataRow* row) const { return rowSet.count(row) != 0; }

    std::string toString() const;
    // Appends the printed form to the text, for output without one string per relation.
    void appendTo(std::string& text) const;

private:
    std::string name;
    std::vector<const DataColumn*> columns;
    std::vector<const DataRow*> rows;
    std::unordered_set<const DataRow*, RowHash, RowEqual> rowSet;
};
