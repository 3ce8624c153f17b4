#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "data/GrowingArray.h"
#include "data/RelationPart.h"
#include "data/ValuePool.h"
#include "engine/Parallelism.h"
#include "engine/ProgramPlan.h"
#include "engine/RuleBodyJoin.h"
#include "engine/SharedPendingRows.h"
#include "engine/WorkerPool.h"

// Runs one pass of a body on all workers. The first reference's rows are cut into slices, one
// task each, run in waves; every worker runs the body over its slice with a join of its own,
// drops the rows the rule's table already holds, committed or pending, and files the others in
// the slice's place among the rule's shared pending rows, which after each wave become pending
// rows of the table; a table that keeps its rows as a row bitmap is offered them by the calling
// thread instead, slice by slice. Everything the workers read (parts, indexes, the pool) is only
// read while they run, and a slice's rows come in the order of the whole pass, so the rows and
// their order are those of a single thread.
class SharedPass {
public:
    SharedPass(const ProgramPlan& plan, const ValuePool& pool, WorkerPool& workers,
               std::uint32_t rowsPerSlice);

    // What a thread does while it would wait: for the others to search a wave's last slices,
    // or for the other in the steps after a wave that a bitmap's table takes. None by default.
    void setSpareWork(std::function<bool()> work);

    // A pass is named by its rule, its body and which of the body's derived references reads
    // the newest rows (0 in the first pass, which reads none).
    struct PassName {
        std::size_t rule = 0;
        std::size_t body = 0;
        std::size_t newest = 0;
    };

    // What a pass did: the combinations that satisfied the body, and where in its first
    // reference's rows it stopped. Rows from there on are left to the calling thread: a rule
    // whose rows need no key gives back the rest of a pass once its waves have spent more time
    // placing the rows they found than sharing the search saved.
    struct Outcome {
        std::uint64_t combinations = 0;
        std::uint32_t restBegin = 0;
    };
    // The pass over sources; target is the part of the rule's table that holds rows of the
    // body's length. A pass that ran to its end has noted its size.
    Outcome run(PassName pass, const std::vector<ReferenceRows>& sources, RelationPart& target,
                SharedPendingRows& found);

    // The slices the pass would be cut into: 1 when it is too small to share.
    std::size_t sliceCountOf(PassName pass, const std::vector<ReferenceRows>& sources) const;
    // The pass ran on the calling thread alone and found this many combinations.
    void notePass(PassName pass, const std::vector<ReferenceRows>& sources,
                  std::uint64_t combinations);

private:
    static constexpr std::size_t kBatchSize = 16;
    static constexpr std::size_t kBatchesKept = 16;  // probed batches before the rest move up
    // One worker's joins (per rule, per body) and scratch: the rows of its slice and the rows
    // whose slots in the table are being fetched ahead. Workers write their own at every batch,
    // so no two share a cache line.
    struct alignas(64) Worker {
        std::vector<std::unique_ptr<RuleBodyJoin>> joins;  // by body, made on first use
        std::vector<ReferenceRows> sources;
        std::vector<std::uint32_t> key;  // of the combination at hand, for a keyed rule
        // Appended a row or key at a time, in a few stores rather than a call to copy them.
        GrowingArray<ValueId> batchCells;
        GrowingArray<std::uint32_t> batchKeys;
        GrowingArray<std::uint64_t> batchHashes;
        std::size_t batchStart = 0;      // the oldest batch not probed yet
        std::uint64_t combinations = 0;  // of the pass at hand
    };

    // The rows of a pass's first reference the last time it ran, and the combinations it found.
    // Each of a body's passes has its own: the pass over the newest rows of its first reference
    // may give hundreds of combinations per row where the next gives one.
    struct PassSize {
        std::uint64_t rows = 0;
        std::uint64_t combinations = 0;
    };

    RuleBodyJoin& joinOf(Worker& worker, std::size_t rule, std::size_t body);
    PassSize& lastSizeOf(PassName pass) {
        return lastPassOf[firstPassOf[pass.rule][pass.body] + pass.newest];
    }
    const PassSize& lastSizeOf(PassName pass) const {
        return lastPassOf[firstPassOf[pass.rule][pass.body] + pass.newest];
    }
    std::size_t sliceRowsOf(PassName pass) const;
    // Fewer rows than two of the narrowest slices a pass can have.
    bool isTooSmallToCut(std::size_t rows) const;
    // absentRows: where the slice's rows the table does not hold go, in order, when the calling
    // thread takes them in; otherwise they are filed in found's slice.
    void runSlice(Worker& worker, std::size_t rule, std::size_t body, const RelationPart& target,
                  SharedPendingRows& found, std::size_t slice, GrowingArray<ValueId>* absentRows);
    // Offers the rows of the wave's first count slices to target in slice order, and forgets
    // them; returns how many there were.
    std::size_t takeIn(std::size_t count, RelationPart& target);
    // The same while another worker brings the table's indexes up to the rows it held before,
    // or does spare work.
    std::size_t takeInWhileIndexing(std::size_t count, RelationPart& target);
    // The pass is over: large lists give their memory back.
    void endPass(SharedPendingRows& found);
    static void advanceBatches(Worker& worker, std::size_t arity, const RelationPart& target,
                               SharedPendingRows& found, std::size_t slice);
    static void probeBatched(Worker& worker, std::size_t arity, const RelationPart& target,
                             SharedPendingRows& found, std::size_t slice, std::size_t first,
                             std::size_t end);
    static void flush(Worker& worker, std::size_t arity, const RelationPart& target,
                      SharedPendingRows& found, std::size_t slice);

    const ProgramPlan& plan;
    const ValuePool& values;
    WorkerPool& pool;
    std::uint32_t rowsPerSlice;
    std::vector<std::size_t> firstBodyOf;  // per rule, the number of its first body
    // Per rule and body, where its passes' sizes begin in lastPassOf.
    std::vector<std::vector<std::size_t>> firstPassOf;
    std::vector<PassSize> lastPassOf;
    std::vector<Worker> workers;
    // Per slice of a wave, the rows its worker found absent, when the calling thread takes them
    // in. Each list's size and end are written at every row by the worker that runs its slice,
    // so each has a cache line of its own: packed side by side, the lists of slices running on
    // two threads at once shared lines, which moved between the cores at every row.
    struct alignas(64) AbsentRows {
        GrowingArray<ValueId> rows;
    };
    std::vector<AbsentRows> absentRowsOf;
    // The spare work, and the same done by one thread at a time (the others just wait), which
    // is what the waves call.
    std::function<bool()> spareWork;
    std::function<bool()> spareWorkWhenFree;
    std::atomic<bool> isSpareWorkTaken{false};
};
