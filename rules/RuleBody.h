#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "rules/RuleFilterAttribute.h"
#include "rules/RuleFilterData.h"
#include "rules/RuleRelationElement.h"

// One body of a rule: its relation references, its comparisons of two variables and its
// comparisons of a variable with a constant, each list in text order. The order between kinds
// is not kept: references are always matched first, then constants, then variable pairs.
class RuleBody {
public:
    // Parses any text; text that is not well formed still yields elements by fixed rules.
    explicit RuleBody(std::string_view text);

    const std::vector<RuleRelationElement>& getRelationElements() const { return relationElements; }
    const std::vector<RuleFilterAttribute>& getAttributeFilters() const { return attributeFilters; }
    const std::vector<RuleFilterData>& getDataFilters() const { return dataFilters; }

    // References, then variable comparisons, then constant comparisons, separated by ",".
    std::string toString() const;

    // The result's column names: the variables of the references in order of first use, then
    // those of the constant comparisons.
    std::vector<std::string> variableNames() const;

    void parseFilter(std::string_view text);
    void parseRelationElement(std::string_view text);

private:
    std::vector<RuleRelationElement> relationElements;
    std::vector<RuleFilterAttribute> attributeFilters;
    std::vector<RuleFilterData> dataFilters;
};
