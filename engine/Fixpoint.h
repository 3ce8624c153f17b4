#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "data/RelationTable.h"
#include "data/StoredRelation.h"
#include "data/ValuePool.h"
#include "engine/FixpointObserver.h"
#include "engine/NewestRowFilters.h"
#include "engine/Parallelism.h"
#include "engine/PendingRows.h"
#include "engine/ProgramPlan.h"
#include "engine/RuleBodyJoin.h"
#include "engine/SharedPass.h"
#include "engine/SharedPendingRows.h"
#include "engine/SpareWork.h"
#include "engine/WorkerPool.h"
#include "rules/Rule.h"

// Evaluates the rules bottom-up until an iteration derives no new row, giving one table per
// rule, in rule order, rows in the order of their first derivation.
//
// The first pass evaluates each rule once over the stored relations only: a reference to a rule
// finds either an empty placeholder (the rule itself and those before it) or nothing. Each
// iteration then stands for evaluating every rule against the stored relations and everything
// derived so far, merging the new rows only after all rules have run. Only combinations holding
// at least one row new in the previous iteration can give anything new, so each body is run once
// per derived reference: that reference over the newest rows, the derived references before it
// over older rows, those after it over all rows. New rows are ordered by the smallest
// combination that produced them, which is where the full evaluation would have found them.
//
// With several threads, each pass is shared out among them (SharedPass) and a rule's new rows
// gather in its SharedPendingRows; the keys make the order the same for any number of threads.
// A rule whose bodies give rows of different lengths runs on the calling thread alone.
class Fixpoint {
public:
    // The plan, the stored relations and the pool must outlive the evaluation. Stored
    // relations are read only, but a released row set is made again when a body needs it.
    // A pool of one worker evaluates on the calling thread alone.
    // An observer, when given, hears of every commit, and of every body's passes if it times
    // bodies.
    // Spare work, when given, is done by threads that would otherwise wait (see SpareWork).
    Fixpoint(const ProgramPlan& plan, std::vector<StoredRelation>& edb, ValuePool& pool,
             WorkerPool& workers, std::uint32_t rowsPerSlice = Parallelism{}.rowsPerSlice,
             FixpointObserver* observer = nullptr, SpareWork spareWork = {});
    std::vector<RelationTable> run();

private:
    // A reference's state across passes: the table its name found (none when it found
    // nothing), and the part and index it reads once found, which stay put.
    struct ReferenceState {
        RelationTable* table = nullptr;
        RelationPart* part = nullptr;
        std::size_t indexNumber = kNoIndex;
    };
    static constexpr std::size_t kNoIndex = ~std::size_t{0};
    // A body's references, and the rows each reads in the current pass.
    struct BodyState {
        std::vector<ReferenceState> references;
        std::vector<ReferenceRows> sources;
    };

    void firstPass();
    bool iterate();
    // Points each reference of the body at all committed rows of its part, with the lookups
    // its plan needs brought up to date: the step that prepares a pass, which then only reads.
    void prepare(std::size_t rule, std::size_t body);
    // Brings the indexes of the rules the last iteration changed up to date side by side, one
    // thread per index, before the passes that would each update theirs alone.
    void updateChangedIndexes();
    bool isShared(std::size_t rule) const { return !sharedOf.empty() && sharedOf[rule]; }
    // The part of the rule's table that a shared rule's rows go to.
    RelationPart& sharedTarget(std::size_t rule);
    // Runs the pass whose newest rows are those of the body's derived reference number newest
    // (0 in the first pass); returns the combinations that satisfied the body.
    std::uint64_t runPass(std::size_t rule, std::size_t body, std::size_t newest);
    // A pass, or the rest of one, on the calling thread alone.
    std::uint64_t runAlone(std::size_t rule, std::size_t body,
                           const std::vector<ReferenceRows>& sources);
    // Commits the rule's pending rows; false when there were none.
    bool commitRule(std::size_t rule);
    // The rule's rows waiting to be committed, all batches taken in.
    std::size_t pendingRowCount(std::size_t rule);

    const ProgramPlan& plan;
    std::vector<StoredRelation>& edb;
    ValuePool& pool;
    std::vector<RelationTable> idb;
    // Kept from one iteration to the next, so that an iteration that touches little allocates
    // nothing: per rule its bodies' states and joins, and its pending rows.
    std::vector<std::vector<BodyState>> states;
    std::vector<std::vector<RuleBodyJoin>> joins;
    std::vector<PendingRows> pendingOf;
    // Filters of the keys of the newest rows that passes look up.
    NewestRowFilters newestFilters;
    // The indexes updateChangedIndexes brings up to date, largest update first.
    std::vector<std::pair<RelationPart*, std::size_t>> behindIndexes;
    // With several threads: the workers, and per rule its shared pending rows, or none for a
    // rule that runs on the calling thread.
    WorkerPool& workers;
    std::uint32_t rowsPerSlice;
    std::unique_ptr<SharedPass> sharedPass;
    SpareWork spare;
    std::vector<std::unique_ptr<SharedPendingRows>> sharedOf;
    // Per rule, the length of the rows all its bodies give, or 0 when they differ.
    std::vector<std::size_t> arityOf;
    // The rules whose newest rows came in the last iteration: only their readers can find
    // anything new, so an iteration costs what changed, not what the program holds.
    std::vector<std::size_t> changed;
    std::vector<std::size_t> active;
    FixpointObserver* observer;
    bool isWatchingBodies;      // bodies are reported to the observer
    std::size_t iteration = 0;  // the first pass is 0
    std::uint64_t rowCount = 0;
};

// Plans the rules and evaluates them on the workers: one table per rule, in rule order.
std::vector<RelationTable> evaluateToFixpoint(
    const std::vector<std::pair<std::string, Rule>>& rules, std::vector<StoredRelation>& edb,
    ValuePool& pool, WorkerPool& workers, std::uint32_t rowsPerSlice = Parallelism{}.rowsPerSlice,
    FixpointObserver* observer = nullptr, SpareWork spareWork = {});
