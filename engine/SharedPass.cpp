#include "engine/SharedPass.h"

#include <algorithm>

#include "data/RowHashing.h"

namespace {

// More slices than workers, so that uneven slices balance out.
constexpr std::size_t kSlicesPerWorker = 8;

}  // namespace

SharedPass::SharedPass(const ProgramPlan& programPlan, const ValuePool& values,
                       WorkerPool& workerPool, std::uint32_t sliceRows)
    : plan(programPlan), pool(workerPool), rowsPerSlice(sliceRows), workers(workerPool.size()) {
    for (Worker& worker : workers) {
        for (std::size_t rule = 0; rule < plan.ruleCount(); ++rule) {
            std::vector<RuleBodyJoin>& ruleJoins = worker.joins.emplace_back();
            for (const PlannedBody& body : plan.bodiesOf(rule)) {
                ruleJoins.emplace_back(body.plan, values);
            }
        }
    }
}

void SharedPass::run(std::size_t rule, std::size_t body, const std::vector<ReferenceRows>& sources,
                     const RelationPart& target, SharedPendingRows& found) {
    const ReferenceRows& first = sources.front();
    const bool isScan =
        plan.bodiesOf(rule)[body].plan.getReferences().front().lookup == PlanLookup::Scan;
    const std::uint32_t rows = first.end > first.begin ? first.end - first.begin : 0;
    std::size_t slices = 1;
    if (isScan && rows >= 2 * std::size_t{rowsPerSlice}) {
        slices = std::min<std::size_t>(rows / rowsPerSlice, workers.size() * kSlicesPerWorker);
    }
    const std::size_t firstSlice = found.addSlices(slices);
    pool.run(slices, [&](std::size_t slice, std::size_t number) {
        Worker& worker = workers[number];
        worker.sources = sources;
        if (slices > 1) {
            ReferenceRows& own = worker.sources.front();
            own.begin = first.begin + static_cast<std::uint32_t>(rows * slice / slices);
            own.end = first.begin + static_cast<std::uint32_t>(rows * (slice + 1) / slices);
        }
        runSlice(worker, rule, body, target, found, firstSlice + slice);
    });
}

void SharedPass::runSlice(Worker& worker, std::size_t rule, std::size_t body,
                          const RelationPart& target, SharedPendingRows& found, std::size_t slice) {
    const bool isLarge = target.isLarge();
    std::size_t headArity = 0;
    worker.joins[rule][body].run(
        worker.sources, [&](const ValueId* row, std::size_t arity, const std::uint32_t*) {
            headArity = arity;
            const std::uint64_t hash = hashValueIds(row, arity);
            if (!isLarge) {
                if (target.find(row, static_cast<std::uint32_t>(hash)) == RelationPart::kNotFound) {
                    found.add(slice, row, hash);
                }
                return;
            }
            // A large table is probed in batches whose slots are fetched ahead.
            target.prefetch(static_cast<std::uint32_t>(hash));
            worker.batchCells.insert(worker.batchCells.end(), row, row + arity);
            worker.batchHashes.push_back(hash);
            if (worker.batchHashes.size() == kBatchSize) flush(worker, arity, target, found, slice);
        });
    if (!worker.batchHashes.empty()) flush(worker, headArity, target, found, slice);
}

void SharedPass::flush(Worker& worker, std::size_t arity, const RelationPart& target,
                       SharedPendingRows& found, std::size_t slice) {
    for (std::size_t i = 0; i < worker.batchHashes.size(); ++i) {
        const ValueId* row = worker.batchCells.data() + i * arity;
        const std::uint64_t hash = worker.batchHashes[i];
        if (target.find(row, static_cast<std::uint32_t>(hash)) == RelationPart::kNotFound) {
            found.add(slice, row, hash);
        }
    }
    worker.batchCells.clear();
    worker.batchHashes.clear();
}
