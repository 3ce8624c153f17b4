#pragma once

#include <algorithm>
#include <cstdint>
#include <type_traits>
#include <vector>

#include "data/RelationIndex.h"
#include "data/RelationPart.h"
#include "data/ValuePool.h"
#include "engine/RuleBodyPlan.h"

// The rows one reference may read in one pass: positions [begin, end) of a part, and for a
// reference that looks its rows up by some columns, the part's index on them, up to date.
struct ReferenceRows {
    const RelationPart* part = nullptr;
    const RelationIndex* index = nullptr;
    std::uint32_t begin = 0;
    std::uint32_t end = 0;
};

// Runs a body plan over given row ranges: references are matched in body order, each through
// an index on its known columns whose lists hold positions in ascending order, so combinations
// come in the order of the plain nested enumeration (first reference most significant).
// Iterative, so that bodies with very many references need no deep recursion. It only reads
// the parts and indexes it is given; its own state is the scratch of one run.
class RuleBodyJoin {
public:
    RuleBodyJoin(const RuleBodyPlan& plan, const ValuePool& pool);

    // Calls emit(headRow, headArity, positions) for each satisfying combination, positions
    // holding the row position chosen for each reference. An emit that returns a bool stops
    // the run by returning false.
    template <typename Emit>
    void run(const std::vector<ReferenceRows>& sources, Emit&& emit);

private:
    // One reference's state: how it finds its rows, fixed at construction, the index of the
    // current run, and its candidates for the values now bound. Side by side per reference, so
    // the join's steps reach all of it from one place.
    struct Level {
        // Whether a key over every column names its one row, which the part's own hash set
        // finds, or an index on the known columns finds its rows; else a scan of the range.
        bool isWholeRowKey = false;
        bool isList = false;                      // either: candidates come from a list
        const std::uint32_t* listNext = nullptr;  // walking an index list
        const std::uint32_t* listEnd = nullptr;
        std::uint32_t next = 0;  // or scanning positions
        std::uint32_t end = 0;
        std::uint32_t only = 0;  // the one row a key over every column can match
    };

    bool open(std::size_t k, const ReferenceRows& source);
    static bool nextPosition(Level& level, std::uint32_t& position);
    bool accept(std::size_t k, const ValueId* row);
    bool passes(const PlanCheck& check) const;
    bool finish();

    const RuleBodyPlan& plan;
    const ValuePool& pool;
    std::vector<ValueId> slots;
    std::vector<ValueId> head;
    std::vector<ValueId> key;
    std::vector<std::uint32_t> positions;
    std::vector<Level> levels;
    // Whether the body has no assignments and no final checks, and then its projection.
    bool isProjectionOnly = false;
    std::vector<std::uint32_t> projectionOnly;
};

// The steps below run once per candidate row: they are defined here so that run inlines them.

inline bool RuleBodyJoin::nextPosition(Level& level, std::uint32_t& position) {
    if (level.isList) {
        if (level.listNext == level.listEnd) return false;
        position = *level.listNext++;
        return true;
    }
    if (level.next >= level.end) return false;
    position = level.next++;
    return true;
}

inline bool RuleBodyJoin::passes(const PlanCheck& check) const {
    const ValueId right = check.right.isConstant ? check.right.value : slots[check.right.value];
    return pool.compare(slots[check.leftSlot], check.op, right);
}

inline bool RuleBodyJoin::accept(std::size_t k, const ValueId* row) {
    const PlanReference& reference = plan.getReferences()[k];
    for (const auto& [column, earlier] : reference.sameColumns) {
        if (row[column] != row[earlier]) return false;
    }
    for (const auto& [column, slot] : reference.bindings) slots[slot] = row[column];
    for (const PlanCheck& check : reference.checks) {
        if (!passes(check)) return false;
    }
    return true;
}

// Assignments and the checks that depend on them run once all references have matched, in
// their own order: the first comparison of an otherwise unbound variable gives its value.
inline bool RuleBodyJoin::finish() {
    for (const PlanAssignment& assignment : plan.getAssignments()) {
        if (assignment.isBinding) {
            slots[assignment.slot] = assignment.constant;
        } else if (!pool.compare(slots[assignment.slot], assignment.op, assignment.constant)) {
            return false;
        }
    }
    for (const PlanCheck& check : plan.getFinalChecks()) {
        if (!passes(check)) return false;
    }
    const std::vector<std::uint32_t>& projection = plan.getProjection();
    for (std::size_t i = 0; i < projection.size(); ++i) head[i] = slots[projection[i]];
    return true;
}

template <typename Emit>
void RuleBodyJoin::run(const std::vector<ReferenceRows>& sources, Emit&& emit) {
    const std::size_t count = plan.getReferences().size();
    if (plan.isNeverSatisfied() || count == 0) return;
    for (std::size_t k = 0; k < count; ++k) {
        const ReferenceRows& source = sources[k];
        if (source.part == nullptr || source.begin >= source.end) return;
    }
    std::size_t k = 0;
    if (!open(0, sources[0])) return;
    while (true) {
        std::uint32_t position = 0;
        if (!nextPosition(levels[k], position)) {
            if (k == 0) return;
            --k;
            continue;
        }
        if (!accept(k, sources[k].part->row(position))) continue;
        positions[k] = position;
        if (k + 1 < count) {
            if (open(k + 1, sources[k + 1])) ++k;
            continue;
        }
        if (isProjectionOnly) {  // most bodies: the head's values are copied, nothing checked
            for (std::size_t i = 0; i < projectionOnly.size(); ++i) {
                head[i] = slots[projectionOnly[i]];
            }
        } else if (!finish()) {
            continue;
        }
        if constexpr (std::is_same_v<decltype(emit(head.data(), head.size(), positions.data())),
                                     bool>) {
            if (!emit(head.data(), head.size(), positions.data())) return;
        } else {
            emit(head.data(), head.size(), positions.data());
        }
    }
}
