#include "driver/Run.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <new>
#include <optional>
#include <stdexcept>
#include <utility>

#include "check/Checker.h"
#include "data/ValuePool.h"
#include "driver/InputLines.h"
#include "driver/Messages.h"
#include "driver/OutputChunks.h"
#include "driver/OutputFile.h"
#include "driver/ProgramReader.h"
#include "driver/ProgressLine.h"
#include "driver/ReadingThreads.h"
#include "driver/ResultWriter.h"
#include "driver/RunProfile.h"
#include "engine/Fixpoint.h"
#include "engine/SpareWork.h"
#include "engine/WorkerPool.h"

namespace {

using Write = std::function<void(std::string_view)>;

// A run shorter than this shows no progress line.
constexpr std::chrono::milliseconds kProgressDelay{1000};
// Shards of the value pool per thread when rows are read on several.
constexpr std::size_t kShardsPerThread = 4;

// Who follows a run besides its output, each optional: a checker that sees its lines as they
// are read, a profile, and a progress line.
struct RunFollowers {
    InputChecker* checker = nullptr;
    RunProfile* profile = nullptr;
    ProgressLine* progress = nullptr;
};

// A handler for ProgramReader::read that shows the rule lines to the checker and the profile,
// and the other lines to the checker.
struct LineFollowers {
    InputChecker* checker;
    RunProfile* profile;

    void echo(std::string_view) {}
    void echoLine(std::string_view) {}
    void ruleLine(std::string_view line, std::size_t number) {
        if (checker != nullptr) checker->ruleLine(line, number);
        if (profile != nullptr) profile->ruleLine(line, number);
    }
    void header(std::string_view line, std::size_t number) {
        if (checker != nullptr) checker->header(line, number);
    }
    void row(std::string_view line, std::size_t number) {
        if (checker != nullptr) checker->row(line, number);
    }
};

// The fixpoint takes one observer; a profiled run on a terminal has two.
class BothObservers final : public FixpointObserver {
public:
    BothObservers(FixpointObserver& firstObserver, FixpointObserver& secondObserver)
        : first(firstObserver), second(secondObserver) {}
    bool isWatchingBodies() const override {
        return first.isWatchingBodies() || second.isWatchingBodies();
    }
    void bodyStarting(std::size_t rule, std::size_t body) override {
        first.bodyStarting(rule, body);
        second.bodyStarting(rule, body);
    }
    void bodyRan(std::size_t iteration, std::size_t rule, std::size_t body,
                 std::uint64_t combinations, std::uint64_t newRows) override {
        first.bodyRan(iteration, rule, body, combinations, newRows);
        second.bodyRan(iteration, rule, body, combinations, newRows);
    }
    void ruleCommitted(std::size_t iteration, std::size_t rule, const RelationTable& table,
                       std::size_t newRows) override {
        first.ruleCommitted(iteration, rule, table, newRows);
        second.ruleCommitted(iteration, rule, table, newRows);
    }
    void iterationEnded(std::size_t iteration, std::uint64_t rowCount) override {
        first.iterationEnded(iteration, rowCount);
        second.iterationEnded(iteration, rowCount);
    }

private:
    FixpointObserver& first;
    FixpointObserver& second;
};

std::optional<Program> readProgram(ProgramReader& reader, InputLines& input,
                                   const RunFollowers& followers) {
    if (followers.checker == nullptr && followers.profile == nullptr) return reader.read(input);
    LineFollowers lines{followers.checker, followers.profile};
    return reader.read(input, lines);
}

std::vector<RelationTable> evaluate(Program& program, ValuePool& pool, WorkerPool& workers,
                                    Parallelism parallelism, const RunFollowers& followers,
                                    SpareWork spareWork) {
    FixpointObserver* observer = nullptr;
    if (followers.profile != nullptr) observer = followers.profile;
    if (followers.progress != nullptr) observer = followers.progress;
    std::optional<BothObservers> both;
    if (followers.profile != nullptr && followers.progress != nullptr) {
        observer = &both.emplace(*followers.profile, *followers.progress);
    }
    return evaluateToFixpoint(program.rules, program.edb, pool, workers, parallelism.rowsPerSlice,
                              observer, std::move(spareWork));
}

// Reads the program, echoing it, then evaluates it and writes the derived relations, all
// through write; the followers, when given, see the run's course. False when the input could
// not be read to its end.
// inputBytes: the input's size, or kUnknownInputSize.
bool readEvaluateWrite(InputLines& input, std::uint64_t inputBytes, const Write& write,
                       const RunFollowers& followers, Parallelism parallelism) {
    WorkerPool workers(parallelism.threads);
    // Rows read on several threads have the pool's values interned in shards, a few per thread
    // so that uneven shards balance out.
    const bool isReadInBlocks = isReadOnAllThreads(workers.size(), inputBytes);
    unsigned shardBits = 0;
    if (isReadInBlocks) {
        while (shardBits < ValuePool::kMostShardBits &&
               (std::size_t{1} << shardBits) < workers.size() * kShardsPerThread) {
            ++shardBits;
        }
    }
    ValuePool pool(shardBits);
    const RelationLoader::Threads readingThreads{
        [&workers](std::size_t count, const std::function<void(std::size_t, std::size_t)>& task) {
            workers.run(count, task);
        },
        workers.size()};
    std::optional<Program> program;
    {
        // The echo's chunk and the input's buffer are given back before the rules run.
        OutputChunks echoed(write);
        std::optional<ProgramReader> reader;
        if (isReadInBlocks) {
            reader.emplace(pool, echoed, readingThreads);
        } else {
            reader.emplace(pool, echoed);
        }
        program = readProgram(*reader, input, followers);
        if (!program) return false;
        echoed.flush();
    }
    input.close();
    if (followers.profile != nullptr) followers.profile->readingEnded(program->rules);
    if (followers.progress != nullptr) followers.progress->startEvaluating();
    // Threads that would wait during evaluation write the first relation's committed rows.
    std::optional<EarlyRows> early;
    SpareWork spareWork;
    if (workers.size() > 1 && !program->rules.empty()) {
        early.emplace(write, program->rules.front().second, pool);
        spareWork = [&early](const std::vector<RelationTable>& tables) {
            return early->writeMore(tables.front());
        };
    }
    std::vector<RelationTable> idb =
        evaluate(*program, pool, workers, parallelism, followers, std::move(spareWork));
    const std::size_t firstRowsWritten = early ? early->finish() : 0;
    early.reset();
    if (followers.profile != nullptr) followers.profile->evaluationEnded();
    // Writing reads the derived rows in order and nothing else: the stored rows, echoed as
    // read, and every hash set and index are given back first, so that the output's buffers do
    // not come on top of the tables' peak.
    std::vector<StoredRelation>().swap(program->edb);
    for (RelationTable& table : idb) table.releaseLookups();
    std::function<void(std::uint64_t)> wroteRows;
    if (followers.progress != nullptr) {
        std::uint64_t rows = 0;
        for (const RelationTable& table : idb) rows += table.size();
        followers.progress->startWriting(rows);
        wroteRows = [progress = followers.progress](std::uint64_t written) {
            progress->noteWritten(written);
        };
    }
    writeResults(write, program->rules, idb, pool, workers, wroteRows, firstRowsWritten);
    return true;
}

static_assert(kUnknownInputSize == ProgressLine::kUnknownSize);

// The input's size in bytes, when it is a regular file.
std::uint64_t inputSizeOf(const char* inputPath) {
    struct stat status {};
    if (stat(inputPath, &status) != 0 || !S_ISREG(status.st_mode)) return kUnknownInputSize;
    return static_cast<std::uint64_t>(status.st_size);
}

// Whether the output is the terminal that stderr is, where a progress line would run through
// the rows.
bool isOutputOnStandardError(const char* outputPath) {
    struct stat output {};
    struct stat standardError {};
    return stat(outputPath, &output) == 0 && fstat(STDERR_FILENO, &standardError) == 0 &&
           S_ISCHR(output.st_mode) && output.st_rdev == standardError.st_rdev;
}

std::uint64_t peakKibibytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<std::uint64_t>(usage.ru_maxrss);
}

int runWithFiles(const char* inputPath, const char* outputPath, std::size_t threadCount,
                 bool isProfiled) {
    std::optional<RunProfile> profile;
    if (isProfiled) profile.emplace();
    // The input is opened and its first bytes read before the output is looked at.
    InputLines input;
    if (!input.open(inputPath)) {
        return reportFailure(kInputOpenMessage, inputPath, input.errorNumber());
    }
    // The output is written to a temporary file and replaces the old one only when complete,
    // so an output that names the input file loses nothing.
    OutputFile output;
    if (!output.open(outputPath)) {
        return reportFailure(kOutputOpenMessage, outputPath, output.errorNumber());
    }
    // A person at a terminal sees how far a long run has got. The line is stopped, and erased,
    // before anything else is written there, and by its destructor when an exception leaves.
    const std::uint64_t inputBytes = inputSizeOf(inputPath);
    std::optional<ProgressLine> progress;
    if (isatty(STDERR_FILENO) != 0 && !isOutputOnStandardError(outputPath)) {
        progress.emplace(STDERR_FILENO, kProgressDelay);
        progress->startReading(inputBytes);
    }
    // The echo goes out chunk by chunk while the input is read: often enough to tell how much
    // of it is read.
    const Write write = [&output, &input,
                         line = progress ? &*progress : nullptr](std::string_view chunk) {
        output.write(chunk);
        if (line != nullptr) line->noteRead(input.bytesRead());
    };
    // A person at a terminal hears of what --check would find; the run is checked as it is
    // read, rows on the way, so that this costs little beside the run.
    Diagnostics findings;
    std::optional<InputChecker> checker;
    if (isatty(STDERR_FILENO) != 0) checker.emplace(findings);
    const RunFollowers followers{checker ? &*checker : nullptr, profile ? &*profile : nullptr,
                                 progress ? &*progress : nullptr};
    if (!readEvaluateWrite(input, inputBytes, write, followers, {.threads = threadCount})) {
        if (progress) progress->stop();
        return reportFailure(kInputOpenMessage, inputPath, input.errorNumber());
    }
    const bool isWritten = output.close();
    if (progress) progress->stop();
    if (!isWritten) {
        return reportFailure(kOutputWriteMessage, outputPath, output.errorNumber());
    }
    if (profile) profile->writingEnded();
    if (checker) {
        checker->finish();
        if (findings.count() > 0) {
            std::fprintf(stderr, "dedb: %s: %s; 'dedb --check %s' lists them\n", inputPath,
                         counted(findings.count(), "finding").c_str(), inputPath);
        }
    }
    if (profile) std::fputs(profile->table(peakKibibytes()).c_str(), stderr);
    return 0;
}

}  // namespace

int runProgram(const char* inputPath, const char* outputPath, std::size_t threadCount,
               bool isProfiled) {
    // Running out of memory anywhere unwinds to here; on the way the unfinished output is
    // discarded, so the files given stay as they were.
    try {
        return runWithFiles(inputPath, outputPath, threadCount, isProfiled);
    } catch (const std::bad_alloc&) {
        return reportFailure(kOutOfMemoryMessage);
    } catch (const std::length_error&) {
        return reportFailure(kOutOfMemoryMessage);
    }
}

std::string runOnText(std::string_view text, Parallelism parallelism) {
    InputLines input;
    input.openText(text);
    std::string output;
    readEvaluateWrite(
        input, text.size(), [&output](std::string_view chunk) { output += chunk; }, {},
        parallelism);
    return output;
}
