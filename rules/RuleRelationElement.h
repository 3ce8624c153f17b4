#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "rules/RuleColumn.h"

// A reference to a relation by name, with one argument per column, and the input column where
// its text starts.
class RuleRelationElement {
public:
    RuleRelationElement(std::string name, std::vector<RuleColumn> columns, std::size_t column);

    std::string getName() const { return name; }
    const std::string& nameView() const { return name; }
    std::size_t getColumnCount() const { return columns.size(); }
    RuleColumn getColumn(std::size_t position) const { return columns[position]; }
    const std::vector<RuleColumn>& columnsView() const { return columns; }
    std::size_t getInputColumn() const { return inputColumn; }

    std::string toString() const;

private:
    std::string name;
    std::vector<RuleColumn> columns;
    std::size_t inputColumn;
};
