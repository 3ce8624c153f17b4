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

    // A body ran all its passes of the iteration: the combinations that satisfied it, repeats
    // included, the rows it found first, and the time it took.
    virtual void bodyRan(std::size_t iteration, std::size_t rule, std::size_t body,
                         std::uint64_t combinations, std::uint64_t newRows, double seconds) = 0;
    // The rule's rows of the iteration are committed: table holds them, newRows of them new.
    virtual void ruleCommitted(std::size_t iteration, std::size_t rule, const RelationTable& table,
                               std::size_t newRows) = 0;
    // The iteration is over; rowCount rows are derived in all.
    virtual void iterationEnded(std::size_t iteration, std::uint64_t rowCount) = 0;
    // Whether bodyRan is wanted: timing a body costs two clock readings per body and iteration,
    // which an observer of iterations alone should not pay for.
    virtual bool isTimingBodies() const { return true; }
};
