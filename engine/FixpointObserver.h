#pragma once

#include <cstddef>
#include <cstdint>

#include "data/RelationTable.h"

// What an evaluation reports as it goes, for the modes that show its course: explaining a row
// needs to know in which iteration each row came, profiling what each body cost, and a progress
// line how far the loop has got. A plain run has no observer and pays nothing for one.
// The first pass counts as iteration 0.
class FixpointObserver {
public:
    FixpointObserver() = default;
    virtual ~FixpointObserver() = default;
    FixpointObserver(const FixpointObserver&) = delete;
    FixpointObserver& operator=(const FixpointObserver&) = delete;

    // Whether bodies are reported, with bodyStarting and bodyRan: counting the rows a body found
    // costs a look at its rule's pending rows per body and iteration, which an observer of
    // iterations alone should not pay for.
    virtual bool isWatchingBodies() const { return false; }
    // A body of the rule starts its passes of the iteration.
    virtual void bodyStarting(std::size_t /*rule*/, std::size_t /*body*/) {}
    // The body ran all its passes of the iteration: the combinations that satisfied it, repeats
    // included, and the rows it found first.
    virtual void bodyRan(std::size_t /*iteration*/, std::size_t /*rule*/, std::size_t /*body*/,
                         std::uint64_t /*combinations*/, std::uint64_t /*newRows*/) {}
    // The rule's rows of the iteration are committed: table holds them, newRows of them new.
    virtual void ruleCommitted(std::size_t iteration, std::size_t rule, const RelationTable& table,
                               std::size_t newRows) = 0;
    // The iteration is over; rowCount rows are derived in all.
    virtual void iterationEnded(std::size_t iteration, std::uint64_t rowCount) = 0;
};
