#include <string_view>
#include <unordered_set>

#include "rules/RuleBody.h"

std::vector<std::string> RuleBody::variableNames() const {
    std::vector<std::string> cols;
    std::unordered_set<std::string_view> seen;  // views of the body's own names, which stay put
    auto addName = [&](const std::string& name) {
        if (seen.insert(name).second) cols.push_back(name);
    };
    for (const RuleRelationElement& reference : relationElements) {
        for (const RuleColumn& column : reference.columnsView()) {
            if (!column.isConstant()) addName(column.nameView());
        }
    }
    // A constant comparison names its variable even when the name is empty.
    for (const RuleFilterData& filter : dataFilters) addName(filter.leftView());
    return cols;
}
