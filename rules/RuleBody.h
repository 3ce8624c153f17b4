#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "rules/RuleFilterAttribute.h"
#include "rules/RuleFilterData.h"
#include "rules/RuleRelationElement.h"

// One body of a rule: its references to relations (RuleRelationElement, whose arguments are
// RuleColumn), its comparisons of two variables (RuleFilterAttribute) and its comparisons of a
// variable with a constant (RuleFilterData), each list in text order. The order between kinds
// is not kept: references are always matched first, then constants, then variable pairs. The
// body knows the input line it came from (0 for text that came from no line) and each element
// and argument its column there.
class RuleBody {
public:
    // Parses any text; text that is not well formed still yields elements by fixed rules.
    // firstColumn is the input column of the text's first byte.
    explicit RuleBody(std::string_view text, std::size_t inputLine = 0,
                      std::size_t firstColumn = 1);

    const std::vector<RuleRelationElement>& getRelationElements() const { return relationElements; }
    const std::vector<RuleFilterAttribute>& getAttributeFilters() const { return attributeFilters; }
    const std::vector<RuleFilterData>& getDataFilters() const { return dataFilters; }
    std::size_t getInputLine() const { return inputLine; }

    // References, then variable comparisons, then constant comparisons, separated by ",".
    std::string toString() const;

    // The result's column names: the variables of the references in order of first use, then
    // those of the constant comparisons.
    std::vector<std::string> variableNames() const;

    // An element's text, starting at this input column.
    void parseFilter(std::string_view text, std::size_t column);
    void parseRelationElement(std::string_view text, std::size_t column);

private:
    std::vector<RuleRelationElement> relationElements;
    std::vector<RuleFilterAttribute> attributeFilters;
    std::vector<RuleFilterData> dataFilters;
    std::size_t inputLine;
};
