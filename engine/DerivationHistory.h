#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "data/RelationTable.h"
#include "engine/FixpointObserver.h"

// How far each rule's table had got at the end of each iteration in which it grew: enough to
// tell in which iteration a row came and which rows a body saw in a given iteration, for the
// price of a few numbers per rule and iteration rather than any per row.
class DerivationHistory : public FixpointObserver {
public:
    explicit DerivationHistory(std::size_t ruleCount) : grownOf(ruleCount) {}

    void ruleCommitted(std::size_t iteration, std::size_t rule, const RelationTable& table,
                       std::size_t newRows) override;
    void iterationEnded(std::size_t, std::uint64_t) override {}

    // The iteration that committed the row at this position of the part for rows of this length.
    std::size_t iterationOf(std::size_t rule, std::size_t arity, std::size_t position) const;
    // The rows of that part committed by the end of the iteration.
    std::size_t rowsAfter(std::size_t rule, std::size_t arity, std::size_t iteration) const;

private:
    // One iteration in which the rule grew: the size of each part (row length, rows) after it.
    struct Growth {
        std::size_t iteration;
        std::vector<std::pair<std::size_t, std::size_t>> partSizes;
    };
    static std::size_t sizeIn(const Growth& growth, std::size_t arity);

    std::vector<std::vector<Growth>> grownOf;  // per rule, in iteration order
};
