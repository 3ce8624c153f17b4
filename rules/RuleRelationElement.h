#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "rules/RuleColumn.h"
#include "rules/RuleElement.h"

// A reference to a relation by name, with one argument per column.
class RuleRelationElement final : public RuleElement {
public:
    RuleRelationElement(std::string name, std::vector<RuleColumn> columns);

    std::string getName() const { return name; }
    const std::string& nameView() const { return name; }
    std::size_t getColumnCount() const { return columns.size(); }
    RuleColumn getColumn(std::size_t position) const { return columns[position]; }
    const std::vector<RuleColumn>& columnsView() const { return columns; }

    // A row of the referenced relation matches when it has one value per argument and every
    // constant argument equals the value at its position. Variables play no part here.
    bool accepts(const DataRow& row) const override;
    std::string toString() const;

private:
    std::string name;
    std::vector<RuleColumn> columns;
};
