#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "data/RelationTable.h"
#include "data/StoredRelation.h"
#include "data/ValuePool.h"
#include "engine/ProgramPlan.h"
#include "rules/Rule.h"

// Why one line of a rule does not give a row: the first of its elements that no combination of
// stored and derived rows satisfies, with the head's variables bound to the row's values.
struct MissingRowVerdict {
    enum class Kind {
        ElementFails,    // failing names the element, instances how it was tried
        NeverGivesRows,  // the line can give no row at all; reasons say why
        GivesRow,        // every element is satisfied: only an unfinished evaluation says so
    };
    // An element that bound variables on the way, and the values it gave them.
    struct Step {
        std::string element;              // with the head's values in place of its variables
        std::vector<std::string> values;  // "Z=2", or "Z=2 W=3" for several variables
        bool isMore = false;              // more values than listed
    };
    Kind kind = Kind::ElementFails;
    std::size_t body = 0;
    std::vector<Step> steps;
    std::string failing;  // the failing element, head values in place
    bool isComparison = false;
    std::vector<std::string> instances;  // the failing element with the values that reached it
    bool isMoreInstances = false;
    std::vector<NoRowsReason> reasons;
};

// Asks each line of a rule why it does not give a row. Elements are taken in the order the
// evaluation matches them: references in body order, each comparison as soon as its variables
// are bound (by the head or by references), and comparisons of variables that no reference
// binds last. The first element after which no combination remains is the one that fails.
class MissingRowSearch {
public:
    // kShown: values and instances listed per element before "more".
    static constexpr std::size_t kShown = 4;

    MissingRowSearch(const ProgramPlan& plan,
                     const std::vector<std::pair<std::string, Rule>>& rules,
                     std::vector<StoredRelation>& edb, std::vector<RelationTable>& idb,
                     ValuePool& pool);

    // One verdict per line of the rule, for a row of the head's length.
    std::vector<MissingRowVerdict> explain(std::size_t rule, const std::vector<ValueId>& row);

private:
    MissingRowVerdict explainBody(std::size_t rule, std::size_t body,
                                  const std::vector<ValueId>& row);

    const ProgramPlan& plan;
    const std::vector<std::pair<std::string, Rule>>& rules;
    std::vector<StoredRelation>& edb;
    std::vector<RelationTable>& idb;
    ValuePool& pool;
};
