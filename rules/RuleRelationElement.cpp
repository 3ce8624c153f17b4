#include "rules/RuleRelationElement.h"

#include <utility>

#include "data/ValueText.h"

RuleRelationElement::RuleRelationElement(std::string newName, std::vector<RuleColumn> arguments,
                                         std::size_t column)
    : name(std::move(newName)), columns(std::move(arguments)), inputColumn(column) {}

std::string RuleRelationElement::toString() const {
    std::string text = name + "(";
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (i > 0) text += ',';
        if (columns[i].isConstant()) {
            appendValueText(text, columns[i].getValue());
        } else {
            text += columns[i].nameView();
        }
    }
    return text + ")";
}
