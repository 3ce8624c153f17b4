#pragma once

#include <algorithm>
#include <cstdint>
#include <type_traits>
#include <vector>

#include "data/CopyFew.h"
#include "data/HashFilter.h"
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
    // With an index, when given: the hashes of the keys the range's rows hold, so that a lookup
    // of any other key ends without probing the index.
    const HashFilter* keyFilter = nullptr;
};

// Satisfying combinations handed over several at a time: count heads of arity values each,
// back to back, and for each the positions of its references.
struct JoinBatch {
    static constexpr std::size_t kMostRows = 64;
    const ValueId* heads;
    const std::uint32_t* positions;
    std::size_t count;
    std::size_t arity;
    std::size_t references;
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
    // The same combinations, in the same order, given to emitBatch(const JoinBatch&) a batch at
    // a time. Where the last reference only binds values, its candidates fill the batch in a
    // loop of their own: most combinations of a pass come from there. The rows that sources name
    // must stay where they are while a batch is made; emitBatch may add rows to the parts.
    template <typename EmitBatch>
    void runBatched(const std::vector<ReferenceRows>& sources, EmitBatch&& emitBatch);

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
        // Whether this reference only binds values and the next one looks its rows up through
        // an index: a filter of the next one's keys can then pass over this one's rows.
        bool isScreenable = false;
        bool isScreened = false;  // and in this run the next one has a filter
    };
    // Where a value of the next reference's key comes from, for a screenable level: a column of
    // this level's row, a slot bound before this level, or a constant.
    struct KeyPart {
        enum class Source { Row, Slot, Constant };
        Source source;
        std::uint32_t value;  // the column, the slot or the ValueId
    };

    bool open(std::size_t k, const ReferenceRows& source);
    static bool nextPosition(Level& level, std::uint32_t& position);
    bool nextScreened(std::size_t k, const ReferenceRows& source, const ReferenceRows& next,
                      std::uint32_t& position);
    bool accept(std::size_t k, const ValueId* row);
    bool passes(const PlanCheck& check) const;
    bool finish();
    template <bool isBatched, typename Emit>
    void walk(const std::vector<ReferenceRows>& sources, Emit&& emit);
    bool appendToBatch();  // true when the batch is full
    template <typename FlushBatch>
    void fillFromLastLevel(std::size_t k, const ReferenceRows& source, FlushBatch&& flushBatch);
    template <std::size_t kArity, std::size_t kLevel, typename FlushBatch>
    void fillFromLastLevel(std::size_t k, const ReferenceRows& source, FlushBatch& flushBatch);
    JoinBatch batch() const {
        return {batchHeads.data(), batchPositions.data(), batchCount, head.size(),
                positions.size()};
    }

    const RuleBodyPlan& plan;
    const ValuePool& pool;
    std::vector<ValueId> slots;
    std::vector<ValueId> head;
    std::vector<ValueId> key;
    std::vector<std::uint32_t> positions;
    std::vector<Level> levels;
    std::vector<std::vector<KeyPart>> screenKeys;  // per screenable level
    // Whether the body has no assignments and no final checks, and then its projection.
    bool isProjectionOnly = false;
    std::vector<std::uint32_t> projectionOnly;
    // Whether the last reference only binds values of a projection-only body, and then which
    // head value comes from which of its columns.
    bool isLastLevelPlain = false;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> lastLevelColumns;  // (head, column)
    static constexpr std::size_t kBatchRows = JoinBatch::kMostRows;
    std::vector<ValueId> batchHeads;
    std::vector<std::uint32_t> batchPositions;
    std::size_t batchCount = 0;
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

// The next row of level k whose values give the next reference a key that the next reference's
// filter may hold: the others could not match there, and are passed over without being bound.
inline bool RuleBodyJoin::nextScreened(std::size_t k, const ReferenceRows& source,
                                       const ReferenceRows& next, std::uint32_t& position) {
    const HashFilter& filter = *next.keyFilter;
    const RelationIndex& index = *next.index;
    const std::vector<KeyPart>& parts = screenKeys[k];
    ValueId* values = key.data();
    for (std::size_t i = 0; i < parts.size(); ++i) {  // the same for every row of the level
        if (parts[i].source == KeyPart::Source::Slot) values[i] = slots[parts[i].value];
        if (parts[i].source == KeyPart::Source::Constant) values[i] = parts[i].value;
    }
    Level& level = levels[k];
    while (nextPosition(level, position)) {
        const ValueId* row = source.part->row(position);
        for (std::size_t i = 0; i < parts.size(); ++i) {
            if (parts[i].source == KeyPart::Source::Row) values[i] = row[parts[i].value];
        }
        if (filter.mayHold(index.hashOf(values))) return true;
    }
    return false;
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
    walk<false>(sources, emit);
}

template <typename EmitBatch>
void RuleBodyJoin::runBatched(const std::vector<ReferenceRows>& sources, EmitBatch&& emitBatch) {
    batchCount = 0;
    const auto flushBatch = [&] {
        emitBatch(batch());
        batchCount = 0;
    };
    walk<true>(sources, flushBatch);
    if (batchCount > 0) flushBatch();
}

inline bool RuleBodyJoin::appendToBatch() {
    copyFew(head.data(), head.size(), batchHeads.data() + batchCount * head.size());
    copyFew(positions.data(), positions.size(),
            batchPositions.data() + batchCount * positions.size());
    return ++batchCount == kBatchRows;
}

// The last reference's candidates, each a combination: the head's values from earlier
// references stay as they are, its own columns fill in the rest. Everything the loop reads is
// held in locals: the compiler cannot tell that the batch's stores leave the join's own fields
// alone. The usual shapes (two values, one earlier reference) get loops of their own.
template <typename FlushBatch>
void RuleBodyJoin::fillFromLastLevel(std::size_t k, const ReferenceRows& source,
                                     FlushBatch&& flushBatch) {
    for (std::size_t i = 0; i < projectionOnly.size(); ++i) head[i] = slots[projectionOnly[i]];
    if (head.size() == 2 && k == 1) {
        fillFromLastLevel<2, 1>(k, source, flushBatch);
    } else if (head.size() == 2 && k == 2) {
        fillFromLastLevel<2, 2>(k, source, flushBatch);
    } else if (head.size() == 1 && k == 1) {
        fillFromLastLevel<1, 1>(k, source, flushBatch);
    } else {
        fillFromLastLevel<0, 0>(k, source, flushBatch);
    }
}

// kArity, kLevel: the head's length and the last reference's number when known at compile
// time, else 0.
template <std::size_t kArity, std::size_t kLevel, typename FlushBatch>
void RuleBodyJoin::fillFromLastLevel(std::size_t k, const ReferenceRows& source,
                                     FlushBatch& flushBatch) {
    const std::size_t arity = kArity != 0 ? kArity : head.size();
    const std::size_t level = kLevel != 0 ? kLevel : k;
    const std::size_t references = level + 1;
    const ValueId* const fixedHead = head.data();
    const std::uint32_t* const fixedPositions = positions.data();
    const std::pair<std::uint32_t, std::uint32_t>* const columns = lastLevelColumns.data();
    const std::size_t columnCount = lastLevelColumns.size();
    ValueId* const heads = batchHeads.data();
    std::uint32_t* const headPositions = batchPositions.data();
    const std::size_t rowArity = source.part->getArity();
    const ValueId* cells = source.part->row(0);
    std::size_t filled = batchCount;
    const auto add = [&](std::uint32_t position) {
        const ValueId* row = cells + std::size_t{position} * rowArity;
        ValueId* out = heads + filled * arity;
        copyFew(fixedHead, arity, out);
        for (std::size_t c = 0; c < columnCount; ++c) {
            out[columns[c].first] = row[columns[c].second];
        }
        std::uint32_t* outPositions = headPositions + filled * references;
        copyFew(fixedPositions, level, outPositions);
        outPositions[level] = position;
        if (++filled == kBatchRows) {
            batchCount = filled;
            flushBatch();
            filled = 0;
            cells = source.part->row(0);  // the flushed rows may have moved the cells
        }
    };
    Level& candidates = levels[level];
    if (candidates.isList) {
        const std::uint32_t* const end = candidates.listEnd;
        for (const std::uint32_t* next = candidates.listNext; next != end; ++next) add(*next);
        candidates.listNext = end;
    } else {
        for (std::uint32_t position = candidates.next; position < candidates.end; ++position) {
            add(position);
        }
        candidates.next = candidates.end;
    }
    batchCount = filled;
}

// emit: with isBatched, flushes the full batch; else it takes each combination.
template <bool isBatched, typename Emit>
void RuleBodyJoin::walk(const std::vector<ReferenceRows>& sources, Emit&& emit) {
    const std::size_t count = plan.getReferences().size();
    if (plan.isNeverSatisfied() || count == 0) return;
    for (std::size_t k = 0; k < count; ++k) {
        const ReferenceRows& source = sources[k];
        if (source.part == nullptr || source.begin >= source.end) return;
    }
    for (std::size_t k = 0; k + 1 < count; ++k) {
        levels[k].isScreened = levels[k].isScreenable && sources[k + 1].keyFilter != nullptr;
    }
    std::size_t k = 0;
    if (!open(0, sources[0])) return;
    while (true) {
        if constexpr (isBatched) {
            if (isLastLevelPlain && k + 1 == count) {
                fillFromLastLevel(k, sources[k], emit);
                if (k == 0) return;
                --k;
                continue;
            }
        }
        std::uint32_t position = 0;
        const bool isFound = levels[k].isScreened
                                 ? nextScreened(k, sources[k], sources[k + 1], position)
                                 : nextPosition(levels[k], position);
        if (!isFound) {
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
        if constexpr (isBatched) {
            if (appendToBatch()) emit();
        } else if constexpr (std::is_same_v<decltype(emit(head.data(), head.size(),
                                                          positions.data())),
                                            bool>) {
            if (!emit(head.data(), head.size(), positions.data())) return;
        } else {
            emit(head.data(), head.size(), positions.data());
        }
    }
}
