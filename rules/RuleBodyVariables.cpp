#include <algorithm>

#include "rules/RuleBody.h"

std::vector<std::string> RuleBody::variableNames() const {
    std::vector<std::string> cols;
    auto addName = [&cols](const std::string& name) {
        if (std::find(cols.begin(), cols.end(), name) == cols.end()) cols.push_back(name);
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
