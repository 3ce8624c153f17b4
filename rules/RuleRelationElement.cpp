#include "rules/RuleRelationElement.h"

#include <utility>

#include "data/Data.h"
#include "data/DataRow.h"

RuleRelationElement::RuleRelationElement(std::string newName, std::vector<RuleColumn> arguments)
    : name(std::move(newName)), columns(std::move(arguments)) {}

bool RuleRelationElement::accepts(const DataRow& row) const {
    if (row.size() != columns.size()) return false;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (columns[i].isConstant() && !columns[i].getValue()->equals(*row.get(i))) return false;
    }
    return true;
}

std::string RuleRelationElement::toString() const {
    std::string text = name + "(";
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (i > 0) text += ',';
        text += columns[i].isConstant() ? columns[i].getValue()->toString() : columns[i].getName();
    }
    return text + ")";
}
