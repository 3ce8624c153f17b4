#include "engine/SharedPass.h"

#include <algorithm>
#include <atomic>
#include <cassert>
#include <chrono>

#include "data/CopyFew.h"
#include "data/RowHashing.h"

namespace {

// Slices run in waves of a few per worker, so that uneven slices balance out; after each wave its
// rows are placed in the table as pending rows, so that the rows waiting to be placed never
// outgrow a wave's.
constexpr std::size_t kSlicesPerWorker = 4;
constexpr std::size_t kMostSlicesPerWave = 1024;
// A closure meets each new row many times, and each meeting a wave files waits in its slice
// until the wave ends: a pass begins with one slice per worker, and the next wave takes as many
// slices as keep the rows it files near this many, or a sixteenth of the table's rows when that
// is more. The slices keep their memory from wave to wave, so a wide first wave would set the
// pass's peak.
constexpr std::size_t kWaveRows = std::size_t{1} << 16;
// A slice should hold about eight times its usual rows in rows and combinations together, as
// when each row gives seven combinations. A body whose last pass gave fewer per row, as a closure
// along a chain gives one, takes up to this many times more rows per slice, so that its many small
// passes stay on one thread rather than wait for the others.
constexpr std::uint64_t kMostSliceWidening = 8;
// A body that gave many more, as a non-linear closure gives hundreds, takes up to this many times
// fewer: each slice's rows wait until its wave ends, and a few wide slices would hold most of an
// iteration's rows at once.
constexpr std::uint64_t kMostSliceNarrowing = 16;

// Whether the calling thread alone would be ahead of workers that have found a pass's rows so far
// in finding and placed them in placing. It would find them in about workers times finding, so
// the workers save (workers - 1) times finding and spend placing, which it does not. Filing each
// row on a worker costs more than a single thread's taking it in, though: on two threads over the
// closures of random graphs, one thread got ahead once placing took more than about five eighths
// of what the workers saved.
bool isAloneFaster(std::chrono::steady_clock::duration finding,
                   std::chrono::steady_clock::duration placing, std::size_t workers) {
    const auto others = static_cast<std::chrono::steady_clock::rep>(workers - 1);
    return placing * 8 > finding * 5 * others;
}

std::uint32_t rowsOf(const ReferenceRows& rows) {
    return rows.end > rows.begin ? rows.end - rows.begin : 0;
}

}  // namespace

SharedPass::SharedPass(const ProgramPlan& programPlan, const ValuePool& valuePool,
                       WorkerPool& workerPool, std::uint32_t sliceRows)
    : plan(programPlan),
      values(valuePool),
      pool(workerPool),
      rowsPerSlice(sliceRows),
      workers(workerPool.size()) {
    std::size_t bodyCount = 0;
    std::size_t passCount = 0;
    for (std::size_t rule = 0; rule < plan.ruleCount(); ++rule) {
        firstBodyOf.push_back(bodyCount);
        bodyCount += plan.bodiesOf(rule).size();
        std::vector<std::size_t>& firstPasses = firstPassOf.emplace_back();
        for (const PlannedBody& body : plan.bodiesOf(rule)) {
            firstPasses.push_back(passCount);
            passCount += std::max<std::size_t>(1, body.derived.size());
        }
    }
    for (Worker& worker : workers) worker.joins.resize(bodyCount);
    lastPassOf.resize(passCount);
}

// A worker makes its join of a body the first time it runs it: a program of many rules run on
// many threads would otherwise hold a join per rule and thread, most never used.
RuleBodyJoin& SharedPass::joinOf(Worker& worker, std::size_t rule, std::size_t body) {
    std::unique_ptr<RuleBodyJoin>& join = worker.joins[firstBodyOf[rule] + body];
    if (!join) join = std::make_unique<RuleBodyJoin>(plan.bodiesOf(rule)[body].plan, values);
    return *join;
}

void SharedPass::setSpareWork(std::function<bool()> work) {
    spareWork = std::move(work);
    spareWorkWhenFree = [this] {
        if (isSpareWorkTaken.exchange(true)) return false;
        const bool isWorked = spareWork();
        isSpareWorkTaken.store(false);
        return isWorked;
    };
}

std::size_t SharedPass::sliceRowsOf(PassName pass) const {
    const PassSize& last = lastSizeOf(pass);
    if (last.rows == 0) return rowsPerSlice;
    const std::uint64_t wanted = std::uint64_t{rowsPerSlice} * kMostSliceWidening * last.rows /
                                 (last.rows + last.combinations);
    const std::uint64_t narrowest = std::max<std::uint64_t>(1, rowsPerSlice / kMostSliceNarrowing);
    return std::clamp<std::uint64_t>(wanted, narrowest,
                                     std::uint64_t{rowsPerSlice} * kMostSliceWidening);
}

bool SharedPass::isTooSmallToCut(std::size_t rows) const {
    return rows < 2 * std::max<std::size_t>(1, rowsPerSlice / kMostSliceNarrowing);
}

std::size_t SharedPass::sliceCountOf(PassName pass,
                                     const std::vector<ReferenceRows>& sources) const {
    // The long chains that run hundreds of thousands of passes of a row or two then skip
    // working out a slice's width, a division.
    const std::size_t rows = rowsOf(sources.front());
    if (isTooSmallToCut(rows)) return 1;
    const bool isScan =
        plan.bodiesOf(pass.rule)[pass.body].plan.getReferences().front().lookup == PlanLookup::Scan;
    const std::size_t sliceRows = sliceRowsOf(pass);
    return isScan && rows >= 2 * sliceRows ? rows / sliceRows : 1;
}

void SharedPass::notePass(PassName pass, const std::vector<ReferenceRows>& sources,
                          std::uint64_t combinations) {
    // A pass that could not have been cut says little of how wide a slice should be.
    const auto rows = rowsOf(sources.front());
    if (isTooSmallToCut(rows)) return;
    lastSizeOf(pass) = {rows, combinations};
}

SharedPass::Outcome SharedPass::run(PassName pass, const std::vector<ReferenceRows>& sources,
                                    RelationPart& target, SharedPendingRows& found) {
    for (Worker& worker : workers) worker.combinations = 0;
    const ReferenceRows& first = sources.front();
    const std::uint32_t rows = rowsOf(first);
    const std::size_t slices = sliceCountOf(pass, sources);
    const auto sliceBegin = [&](std::size_t slice) {
        return first.begin + static_cast<std::uint32_t>(rows * slice / slices);
    };
    const auto combinationsSoFar = [this] {
        std::uint64_t combinations = 0;
        for (const Worker& worker : workers) combinations += worker.combinations;
        return combinations;
    };
    found.beginPass(target);
    std::size_t lastTaken = 0;  // rows the last wave's slices offered to the table here
    // The time the waves took to find their rows and to place them.
    std::chrono::steady_clock::duration finding{};
    std::chrono::steady_clock::duration placing{};
    const std::size_t widestWave = std::min(workers.size() * kSlicesPerWorker, kMostSlicesPerWave);
    const std::size_t narrowestWave = std::min(workers.size(), widestWave);
    std::size_t wave = narrowestWave;
    for (std::size_t waveStart = 0; waveStart < slices;) {
        const std::size_t count = std::min(wave, slices - waveStart);
        // A row bitmap takes in a row for less than filing it costs a worker: the workers only
        // drop the rows it holds, and the calling thread offers it the others in order.
        const bool isTakenInHere = !found.isKeyed() && target.hasRowBitmap();
        if (isTakenInHere && absentRowsOf.size() < count) absentRowsOf.resize(count);
        const std::size_t firstSlice = isTakenInHere ? 0 : found.addSlices(count);
        // The fresh pages of the rows the calling thread will append are made meanwhile, as
        // many as the last wave's, by the worker that takes the last task: making them cost the
        // calling thread an eighth of the 100-million-row closure's time, alone.
        const std::size_t roomMade = isTakenInHere ? lastTaken : 0;
        if (roomMade > 0) target.reserveRows(roomMade);
        const auto started = std::chrono::steady_clock::now();
        // A thread that finds no slice left does spare work while the others search: the
        // tables' committed rows stay as they are until the wave ends.
        pool.run(
            count + (roomMade > 0 ? 1 : 0),
            [&](std::size_t task, std::size_t number) {
                if (task == count) {
                    target.populateRoom(roomMade);
                    return;
                }
                Worker& worker = workers[number];
                worker.sources = sources;
                if (slices > 1) {
                    const std::size_t slice = waveStart + task;
                    ReferenceRows& own = worker.sources.front();
                    own.begin = sliceBegin(slice);
                    own.end = sliceBegin(slice + 1);
                }
                runSlice(worker, pass.rule, pass.body, target, found, firstSlice + task,
                         isTakenInHere ? &absentRowsOf[task].rows : nullptr);
            },
            spareWorkWhenFree ? &spareWorkWhenFree : nullptr);
        const auto joined = std::chrono::steady_clock::now();
        const std::size_t filed =
            isTakenInHere ? takeInWhileIndexing(count, target) : found.moveTo(target, pool);
        lastTaken = isTakenInHere ? filed : 0;
        // Rows taken in here cost what they would cost one thread alone, so only the placing of
        // filed rows is weighed.
        if (!isTakenInHere) {
            finding += joined - started;
            placing += std::chrono::steady_clock::now() - joined;
        }
        waveStart += count;
        // A closure whose combinations are mostly new rows, few per row, into a hash set is such
        // a pass.
        if (waveStart < slices && !found.isKeyed() &&
            isAloneFaster(finding, placing, workers.size())) {
            endPass(found);
            return {combinationsSoFar(), sliceBegin(waveStart)};
        }
        const std::size_t budget = std::max(kWaveRows, target.size() / 16);
        wave =
            std::clamp(filed > 0 ? count * budget / filed : widestWave, narrowestWave, widestWave);
    }
    endPass(found);
    const std::uint64_t combinations = combinationsSoFar();
    notePass(pass, sources, combinations);
    return {combinations, first.end};
}

// The next pass brings the table's indexes up to date on the calling thread alone, while the
// other threads wait. So while one thread takes in this wave's rows, another takes the rows of
// the waves before into the indexes. It reads rows that must stay where they are: a wave whose
// rows, repeats and all, might not fit in the room there is is taken in alone, which also leaves
// the rows to grow when taking them in grows them.
std::size_t SharedPass::takeInWhileIndexing(std::size_t count, RelationPart& target) {
    std::size_t absentValues = 0;
    for (std::size_t task = 0; task < count; ++task) absentValues += absentRowsOf[task].rows.size();
    // Nothing may move what the other thread reads.
    const bool isInRoom = target.hasRoomFor(absentValues / target.getArity());
    const bool isIndexing = isInRoom && target.isAnyIndexBehind();
    if (!isIndexing && (!spareWorkWhenFree || !isInRoom)) return takeIn(count, target);
    const std::size_t indexedRows = target.appendedCount();
    std::size_t taken = 0;
    // The calling thread extends the indexes unless the other has taken that job already: their
    // lists then stay in its heap, where the passes' own extensions grow them too. Extended on
    // the other thread, same-generation L's lists took 31 MiB in two heaps against 30 in one.
    // Whichever thread is done first does spare work until the other is done too: the closure
    // of 100 million rows extends its index for twice as long as it takes rows in.
    constexpr unsigned kTakingIn = 1;
    constexpr unsigned kIndexing = 2;
    std::atomic<unsigned> jobsTaken{0};
    std::atomic<unsigned> jobsDone{0};
    const unsigned hereFirst = isIndexing ? kIndexing : kTakingIn;
    pool.run(2, [&](std::size_t, std::size_t worker) {
        const unsigned wanted = worker == 0 ? hereFirst : kTakingIn + kIndexing - hereFirst;
        const unsigned job =
            (jobsTaken.fetch_or(wanted) & wanted) == 0 ? wanted : kTakingIn + kIndexing - wanted;
        if (job == kTakingIn) {
            taken = takeIn(count, target);
        } else if (isIndexing) {
            target.extendIndexes(indexedRows);
        }
        // Spare work waits for no job: one not taken yet is this thread's next task.
        if (jobsDone.fetch_add(1) > 0 || !spareWorkWhenFree ||
            jobsTaken.load() != kTakingIn + kIndexing) {
            return;
        }
        while (jobsDone.load() < 2 && spareWorkWhenFree()) {
        }
    });
    return taken;
}

std::size_t SharedPass::takeIn(std::size_t count, RelationPart& target) {
    std::size_t taken = 0;
    for (std::size_t task = 0; task < count; ++task) {
        GrowingArray<ValueId>& rows = absentRowsOf[task].rows;
        const std::size_t arity = target.getArity();
        for (std::size_t at = 0; at < rows.size(); at += arity) target.offer(rows.data() + at);
        taken += rows.size() / arity;
        rows.clear();
    }
    return taken;
}

// The pass is over: large lists of absent rows give their memory back, as the shared pending
// rows do.
void SharedPass::endPass(SharedPendingRows& found) {
    found.endPass();
    constexpr std::size_t kKeptValues = 1024;
    for (AbsentRows& absent : absentRowsOf) {
        if (absent.rows.capacity() > kKeptValues) absent.rows = GrowingArray<ValueId>();
    }
}

void SharedPass::runSlice(Worker& worker, std::size_t rule, std::size_t body,
                          const RelationPart& target, SharedPendingRows& found, std::size_t slice,
                          GrowingArray<ValueId>* absentRows) {
    const bool isKeyed = found.isKeyed();
    const bool isBitmapProbed = !isKeyed && target.hasRowBitmap();
    const bool isLarge = target.isLarge();
    const bool isStaged = !isBitmapProbed && target.isBeyondCaches();
    assert(absentRows == nullptr || isBitmapProbed);
    const std::size_t keyWidth = plan.longestBodyOf(rule) + 1;
    std::uint32_t* key = nullptr;
    if (isKeyed) {
        worker.key.assign(keyWidth, 0);
        worker.key[0] = static_cast<std::uint32_t>(body);
        key = worker.key.data();
    }
    const std::size_t references = worker.sources.size();
    std::size_t headArity = 0;
    std::uint64_t hashes[JoinBatch::kMostRows];
    joinOf(worker, rule, body).runBatched(worker.sources, [&](const JoinBatch& batch) {
        worker.combinations += batch.count;
        const std::size_t arity = batch.arity;
        headArity = arity;
        if (isStaged) {
            // A table beyond the caches is probed in stages that span batches, as the single
            // thread's pending rows do.
            for (std::size_t i = 0; i < batch.count; ++i) {
                worker.batchCells.append(batch.heads + i * arity, arity);
                if (isKeyed) {
                    copyFew(batch.positions + i * references, references, key + 1);
                    worker.batchKeys.append(key, keyWidth);
                }
                worker.batchHashes.push_back(hashValueIds(batch.heads + i * arity, arity));
                if ((worker.batchHashes.size() - worker.batchStart) % kBatchSize == 0) {
                    advanceBatches(worker, arity, target, found, slice);
                }
            }
            return;
        }
        // A row bitmap needs no hash but for the rows filed.
        if (isBitmapProbed) {
            for (std::size_t i = 0; i < batch.count; ++i) {
                const ValueId* row = batch.heads + i * arity;
                if (target.holds(row)) continue;
                if (absentRows != nullptr) {
                    absentRows->append(row, arity);
                } else {
                    found.add(slice, row, hashValueIds(row, arity));
                }
            }
            return;
        }
        // A large table has the batch's slots fetched before the first probe; not the rows they
        // point to, which would walk each search twice for rows mostly in the caches anyway.
        for (std::size_t i = 0; i < batch.count; ++i) {
            hashes[i] = hashValueIds(batch.heads + i * arity, arity);
            if (isLarge) target.prefetch(static_cast<std::uint32_t>(hashes[i]));
        }
        for (std::size_t i = 0; i < batch.count; ++i) {
            const ValueId* row = batch.heads + i * arity;
            // A keyed row's key is its positions behind the body's number, written only when
            // needed: most rows found are in the table already and dropped without it.
            bool isKeyMade = false;
            const auto makeKey = [&] {
                copyFew(batch.positions + i * references, references, key + 1);
                isKeyMade = true;
                return key;
            };
            if (found.isWanted(target, row, static_cast<std::uint32_t>(hashes[i]), makeKey)) {
                if (isKeyed && !isKeyMade) makeKey();
                found.add(slice, row, hashes[i], key);
            }
        }
    });
    if (!worker.batchHashes.empty()) flush(worker, headArity, target, found, slice);
}

// The newest batch's slots are fetched, the batch before fetches the rows its slots point to,
// and the oldest is probed: each step's memory has a batch's work to arrive.
void SharedPass::advanceBatches(Worker& worker, std::size_t arity, const RelationPart& target,
                                SharedPendingRows& found, std::size_t slice) {
    const GrowingArray<std::uint64_t>& hashes = worker.batchHashes;
    const std::size_t end = hashes.size();
    for (std::size_t i = end - kBatchSize; i < end; ++i) {
        target.prefetch(static_cast<std::uint32_t>(hashes[i]));
    }
    if (end - worker.batchStart >= 2 * kBatchSize) {
        for (std::size_t i = end - 2 * kBatchSize; i < end - kBatchSize; ++i) {
            target.prefetchCandidate(static_cast<std::uint32_t>(hashes[i]));
        }
    }
    if (end - worker.batchStart < 3 * kBatchSize) return;
    probeBatched(worker, arity, target, found, slice, worker.batchStart,
                 worker.batchStart + kBatchSize);
    worker.batchStart += kBatchSize;
    if (worker.batchStart < kBatchesKept * kBatchSize) return;
    // The two batches still in flight move to the front.
    const std::size_t probed = worker.batchStart;
    const std::size_t keyWidth = worker.batchKeys.size() / hashes.size();
    worker.batchCells.dropFront(probed * arity);
    worker.batchKeys.dropFront(probed * keyWidth);
    worker.batchHashes.dropFront(probed);
    worker.batchStart = 0;
}

void SharedPass::probeBatched(Worker& worker, std::size_t arity, const RelationPart& target,
                              SharedPendingRows& found, std::size_t slice, std::size_t first,
                              std::size_t end) {
    const std::size_t keyWidth = worker.batchKeys.size() / worker.batchHashes.size();
    for (std::size_t i = first; i < end; ++i) {
        const ValueId* row = worker.batchCells.data() + i * arity;
        const std::uint64_t hash = worker.batchHashes[i];
        const std::uint32_t* key = keyWidth > 0 ? worker.batchKeys.data() + i * keyWidth : nullptr;
        if (found.isWanted(target, row, static_cast<std::uint32_t>(hash), key)) {
            found.add(slice, row, hash, key);
        }
    }
}

void SharedPass::flush(Worker& worker, std::size_t arity, const RelationPart& target,
                       SharedPendingRows& found, std::size_t slice) {
    if (worker.batchStart > 0) {  // staged: the batches in flight have their slots asked for
        for (std::size_t i = worker.batchStart; i < worker.batchHashes.size(); ++i) {
            target.prefetchCandidate(static_cast<std::uint32_t>(worker.batchHashes[i]));
        }
    }
    probeBatched(worker, arity, target, found, slice, worker.batchStart, worker.batchHashes.size());
    worker.batchCells.clear();
    worker.batchKeys.clear();
    worker.batchHashes.clear();
    worker.batchStart = 0;
}
