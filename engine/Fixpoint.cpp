#include "engine/Fixpoint.h"

#include <algorithm>
#include <cassert>
#include <utility>

namespace {

// The length of the rows every body of the rule gives, or 0 when they differ.
std::size_t commonArityOf(const std::vector<PlannedBody>& bodies) {
    if (bodies.empty()) return 0;
    const std::size_t arity = bodies.front().plan.getProjection().size();
    for (const PlannedBody& body : bodies) {
        if (body.plan.getProjection().size() != arity) return 0;
    }
    return arity;
}

// Whether each body the iterations run reads one rule only, so that it runs once per iteration
// and its slices come in key order: a body that reads several runs once per rule it reads, and
// the keys of those passes interleave.
bool isRunOncePerIteration(const ProgramPlan& plan, std::size_t rule) {
    const std::vector<PlannedBody>& bodies = plan.bodiesOf(rule);
    return std::all_of(plan.iteratedBodiesOf(rule).begin(), plan.iteratedBodiesOf(rule).end(),
                       [&](std::uint32_t body) { return bodies[body].derived.size() == 1; });
}

}  // namespace

Fixpoint::Fixpoint(const ProgramPlan& programPlan, std::vector<StoredRelation>& stored,
                   ValuePool& values, WorkerPool& workerPool, std::uint32_t sliceRows,
                   FixpointObserver* courseObserver, SpareWork spareWork)
    : plan(programPlan),
      edb(stored),
      pool(values),
      workers(workerPool),
      rowsPerSlice(sliceRows),
      spare(std::move(spareWork)),
      observer(courseObserver),
      isWatchingBodies(observer != nullptr && observer->isWatchingBodies()) {
    const std::size_t ruleCount = plan.ruleCount();
    idb.reserve(ruleCount);
    for (std::size_t i = 0; i < ruleCount; ++i) idb.emplace_back(plan.ruleNameOf(i));
    // The tables are all made: their places are final.
    for (std::size_t i = 0; i < ruleCount; ++i) {
        std::vector<BodyState>& ruleStates = states.emplace_back();
        std::vector<RuleBodyJoin>& ruleJoins = joins.emplace_back();
        for (const PlannedBody& body : plan.bodiesOf(i)) {
            BodyState& state = ruleStates.emplace_back();
            for (const ResolvedReference& reference : body.references) {
                using Kind = ResolvedReference::Kind;
                ReferenceState& own = state.references.emplace_back();
                if (reference.kind == Kind::Derived) own.table = &idb[reference.index];
                if (reference.kind == Kind::Stored) own.table = &edb[reference.index].getRows();
            }
            state.sources.resize(body.references.size());
            ruleJoins.emplace_back(body.plan, pool);
        }
        arityOf.push_back(commonArityOf(plan.bodiesOf(i)));
        const bool isKeyless = arityOf[i] != 0 && isRunOncePerIteration(plan, i);
        pendingOf.emplace_back(idb[i], plan.longestBodyOf(i), isKeyless);
        // Rows that need no key are only asked whether the table holds them, which a bitmap
        // answers for a dense relation of one or two columns.
        if (isKeyless && (arityOf[i] == 1 || arityOf[i] == 2)) {
            idb[i].partAt(idb[i].ensurePart(arityOf[i])).allowRowBitmap();
        }
    }
    if (workers.size() <= 1) return;
    sharedPass = std::make_unique<SharedPass>(plan, pool, workers, sliceRows);
    if (spare) sharedPass->setSpareWork([this] { return spare(idb); });
    for (std::size_t i = 0; i < ruleCount; ++i) {
        // A rule of no body or one whose rows differ in length keeps to one thread; an arity of
        // 0 is one row at most, not worth sharing either. Rows of a rule whose bodies each run
        // once per iteration come in key order and need no key.
        const std::size_t keyWidth = isRunOncePerIteration(plan, i) ? 0 : plan.longestBodyOf(i) + 1;
        sharedOf.push_back(arityOf[i] == 0 ? nullptr
                                           : std::make_unique<SharedPendingRows>(
                                                 arityOf[i], keyWidth, workers.size()));
    }
}

RelationPart& Fixpoint::sharedTarget(std::size_t rule) {
    return idb[rule].partAt(idb[rule].ensurePart(arityOf[rule]));
}

bool Fixpoint::commitRule(std::size_t rule) {
    if (!isShared(rule)) {
        pendingOf[rule].flush();
        const bool isEmpty = pendingOf[rule].isEmpty();
        pendingOf[rule].commit();
        return !isEmpty;
    }
    // Shared passes have placed their rows in the table as pending rows already, and passes on
    // this thread alone have too, once their last batch is in.
    pendingOf[rule].flush();
    RelationPart& target = sharedTarget(rule);
    const bool isAnyPending = target.pendingCount() > 0;
    if (isAnyPending && sharedOf[rule]->isKeyed()) sharedOf[rule]->orderPending(target);
    pendingOf[rule].commit();
    // Rows the calling thread's own passes found are committed by now; a shared pass's are not.
    if (target.pendingCount() > 0) idb[rule].commitPending({});
    return isAnyPending;
}

std::vector<RelationTable> Fixpoint::run() {
    firstPass();
    while (iterate()) {
    }
    return std::move(idb);
}

void Fixpoint::prepare(std::size_t rule, std::size_t body) {
    BodyState& state = states[rule][body];
    const std::vector<PlanReference>& references = plan.bodiesOf(rule)[body].plan.getReferences();
    bool isEveryReferenceFilled = true;
    for (std::size_t k = 0; k < state.sources.size(); ++k) {
        ReferenceState& own = state.references[k];
        if (own.part == nullptr && own.table != nullptr) {
            own.part = own.table->findPart(references[k].arity);
        }
        RelationPart* part = own.part;
        ReferenceRows& rows = state.sources[k];
        rows.part = part;
        rows.index = nullptr;
        rows.begin = 0;
        rows.end = part != nullptr ? static_cast<std::uint32_t>(part->size()) : 0;
        isEveryReferenceFilled = isEveryReferenceFilled && rows.end > 0;
    }
    // A reference without rows leaves nothing to look up in this pass: lookups are made or
    // brought up to date only for bodies that can run.
    if (!isEveryReferenceFilled) return;
    for (std::size_t k = 0; k < state.sources.size(); ++k) {
        RelationPart& part = *state.references[k].part;
        if (references[k].lookup == PlanLookup::WholeRow) {
            part.restoreRowSet();
        } else if (references[k].lookup == PlanLookup::Index) {
            std::size_t& number = state.references[k].indexNumber;
            if (number == kNoIndex) number = part.ensureIndex(references[k].keyColumns);
            state.sources[k].index = &part.updateIndex(number);
        }
    }
}

// Placeholders hold no rows and later rules are not there yet, so only bodies over stored
// relations alone can give rows in the first pass.
void Fixpoint::firstPass() {
    for (std::size_t i = 0; i < plan.ruleCount(); ++i) {
        const std::vector<PlannedBody>& bodies = plan.bodiesOf(i);
        for (std::size_t b = 0; b < bodies.size(); ++b) {
            if (!bodies[b].canGiveRows() || !bodies[b].derived.empty()) continue;
            std::size_t rowsBefore = 0;
            if (isWatchingBodies) {
                observer->bodyStarting(i, b);
                rowsBefore = isShared(i) ? sharedTarget(i).pendingCount() : idb[i].size();
            }
            prepare(i, b);
            std::uint64_t combinations = 0;
            if (isShared(i)) {
                sharedOf[i]->beginBody(sharedTarget(i));
                combinations = runPass(i, b, 0);
                if (isWatchingBodies) {
                    observer->bodyRan(iteration, i, b, combinations,
                                      sharedTarget(i).pendingCount() - rowsBefore);
                }
                continue;
            }
            RelationTable& target = idb[i];
            joins[i][b].run(states[i][b].sources,
                            [&](const ValueId* row, std::size_t arity, const std::uint32_t*) {
                                ++combinations;
                                target.insert(row, arity);
                            });
            if (isWatchingBodies) {
                observer->bodyRan(iteration, i, b, combinations, target.size() - rowsBefore);
            }
        }
        if (isShared(i)) commitRule(i);
        rowCount += idb[i].size();
        if (observer != nullptr) observer->ruleCommitted(0, i, idb[i], idb[i].size());
        if (idb[i].size() > 0) changed.push_back(i);
    }
    if (observer != nullptr) observer->iterationEnded(0, rowCount);
}

std::size_t Fixpoint::pendingRowCount(std::size_t rule) {
    pendingOf[rule].flush();
    std::size_t count = 0;
    for (std::size_t part = 0; part < idb[rule].partCount(); ++part) {
        count += idb[rule].partAt(static_cast<std::uint32_t>(part)).pendingCount();
    }
    return count;
}

bool Fixpoint::iterate() {
    ++iteration;
    active.clear();
    for (const std::size_t rule : changed) {
        const std::vector<std::size_t>& readers = plan.readersOf(rule);
        active.insert(active.end(), readers.begin(), readers.end());  // a few each
    }
    if (changed.size() > 1) {  // one rule's readers are listed in order, once each
        std::sort(active.begin(), active.end());
        active.erase(std::unique(active.begin(), active.end()), active.end());
    }

    if (workers.size() > 1) updateChangedIndexes();

    for (const std::size_t i : active) {
        // Every rule's rows were committed at the end of the last iteration, so a body's rows
        // are those pending after it less those pending after the rule's previous body.
        assert(!isWatchingBodies || pendingRowCount(i) == 0);
        std::size_t rowsBefore = 0;
        for (const std::uint32_t b : plan.iteratedBodiesOf(i)) {
            const PlannedBody& body = plan.bodiesOf(i)[b];
            if (isWatchingBodies) observer->bodyStarting(i, b);
            std::uint64_t combinations = 0;
            prepare(i, b);
            if (isShared(i)) {
                sharedOf[i]->beginBody(sharedTarget(i));
            }
            std::vector<ReferenceRows>& sources = states[i][b].sources;
            // Pass d reads the newest rows of derived reference d and the older rows of those
            // before it; a pass without newest rows finds nothing, and once a reference has no
            // older rows, no later pass can match.
            for (std::size_t d = 0; d < body.derived.size(); ++d) {
                ReferenceRows& current = sources[body.derived[d]];
                if (current.part != nullptr && current.part->getDeltaStart() < current.end) {
                    current.begin = current.part->getDeltaStart();
                    // The first reference's rows each look the newest rows up at least once.
                    if (body.derived[d] > 0) {
                        const ReferenceRows& outer = sources.front();
                        current.keyFilter =
                            newestFilters.filterFor(current, outer.end - outer.begin);
                    }
                    combinations += runPass(i, b, d);
                    current.keyFilter = nullptr;
                }
                current.begin = 0;
                current.end = current.part != nullptr ? current.part->getDeltaStart() : 0;
                if (current.begin >= current.end) break;
            }
            if (isWatchingBodies) {
                const std::size_t rowsAfter = pendingRowCount(i);
                observer->bodyRan(iteration, i, b, combinations, rowsAfter - rowsBefore);
                rowsBefore = rowsAfter;
            }
        }
    }
    // The rows of the last iteration stop being the newest; this iteration's become so.
    for (const std::size_t rule : changed) idb[rule].markDeltaStart();
    changed.clear();
    for (const std::size_t i : active) {
        idb[i].markDeltaStart();
        const std::size_t rowsBefore = idb[i].size();
        if (commitRule(i)) changed.push_back(i);
        const std::size_t newRows = idb[i].size() - rowsBefore;
        rowCount += newRows;
        if (observer != nullptr) observer->ruleCommitted(iteration, i, idb[i], newRows);
    }
    if (observer != nullptr) observer->iterationEnded(iteration, rowCount);
    return !changed.empty();
}

void Fixpoint::updateChangedIndexes() {
    // Fewer rows than eight slices' are taken in sooner than another thread wakes; tests cut
    // slices of one row, so that small programs update their indexes side by side too.
    const std::size_t rowsWorthSharing = std::size_t{8} * rowsPerSlice;
    behindIndexes.clear();
    std::size_t rowsBehind = 0;
    for (const std::size_t rule : changed) {
        for (std::size_t p = 0; p < idb[rule].partCount(); ++p) {
            RelationPart& part = idb[rule].partAt(static_cast<std::uint32_t>(p));
            for (std::size_t number = 0; number < part.indexCount(); ++number) {
                const std::size_t behind = part.rowsBehind(number);
                if (behind == 0) continue;
                behindIndexes.emplace_back(&part, number);
                rowsBehind += behind;
            }
        }
    }
    if (behindIndexes.size() < 2 || rowsBehind < rowsWorthSharing) return;
    std::sort(behindIndexes.begin(), behindIndexes.end(), [](const auto& left, const auto& right) {
        return left.first->rowsBehind(left.second) > right.first->rowsBehind(right.second);
    });
    workers.run(behindIndexes.size(), [this](std::size_t task, std::size_t) {
        behindIndexes[task].first->updateIndex(behindIndexes[task].second);
    });
}

// One pass of a body over the rows its sources now name, its rows pending for the rule.
std::uint64_t Fixpoint::runPass(std::size_t rule, std::size_t body, std::size_t newest) {
    const std::vector<ReferenceRows>& sources = states[rule][body].sources;
    // A pass too small to cut into slices runs here alone, as does the rest of a shared pass
    // that gave it back. Its rows, like a shared pass's, become pending rows of the table in
    // key order, so the two kinds of pass can follow each other within an iteration; rows still
    // batched go in before a shared pass looks. A keyed rule's passes are all shared: its
    // pending rows' keys are kept in one place.
    const SharedPass::PassName pass{rule, body, newest};
    if (isShared(rule) &&
        (sharedOf[rule]->isKeyed() || sharedPass->sliceCountOf(pass, sources) > 1)) {
        pendingOf[rule].flush();
        const SharedPass::Outcome shared =
            sharedPass->run(pass, sources, sharedTarget(rule), *sharedOf[rule]);
        if (shared.restBegin >= sources.front().end) return shared.combinations;
        std::vector<ReferenceRows> rest = sources;
        rest.front().begin = shared.restBegin;
        const std::uint64_t combinations = shared.combinations + runAlone(rule, body, rest);
        sharedPass->notePass(pass, sources, combinations);
        return combinations;
    }
    const std::uint64_t combinations = runAlone(rule, body, sources);
    if (isShared(rule)) sharedPass->notePass(pass, sources, combinations);
    return combinations;
}

std::uint64_t Fixpoint::runAlone(std::size_t rule, std::size_t body,
                                 const std::vector<ReferenceRows>& sources) {
    PendingRows& found = pendingOf[rule];
    const std::size_t count = sources.size();
    const auto number = static_cast<std::uint32_t>(body);
    std::uint64_t combinations = 0;
    found.beginPass();
    joins[rule][body].runBatched(sources, [&](const JoinBatch& batch) {
        combinations += batch.count;
        found.offerMany(batch.heads, batch.count, batch.arity, number, batch.positions, count);
    });
    return combinations;
}

std::vector<RelationTable> evaluateToFixpoint(
    const std::vector<std::pair<std::string, Rule>>& rules, std::vector<StoredRelation>& edb,
    ValuePool& pool, WorkerPool& workers, std::uint32_t rowsPerSlice, FixpointObserver* observer,
    SpareWork spareWork) {
    const ProgramPlan plan(rules, edb, pool);
    return Fixpoint(plan, edb, pool, workers, rowsPerSlice, observer, std::move(spareWork)).run();
}
