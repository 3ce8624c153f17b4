#include "driver/Run.h"

#include <unistd.h>

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
#include "driver/ResultWriter.h"
#include "engine/Fixpoint.h"
#include "engine/WorkerPool.h"

namespace {

using Write = std::function<void(std::string_view)>;

// Reads the program, echoing it, then evaluates it and writes the derived relations, all
// through write; a checker, when given, sees the lines as well. False when the input could
// not be read to its end.
bool readEvaluateWrite(InputLines& input, const Write& write, InputChecker* checker,
                       Parallelism parallelism) {
    ValuePool pool;
    std::optional<Program> program;
    {
        // The echo's chunk and the input's buffer are given back before the rules run.
        OutputChunks echoed(write);
        ProgramReader reader(pool, echoed);
        program = checker != nullptr ? reader.read(input, *checker) : reader.read(input);
        if (!program) return false;
        echoed.flush();
    }
    input.close();
    WorkerPool workers(parallelism.threads);
    const std::vector<RelationTable> idb =
        evaluateToFixpoint(program->rules, program->edb, pool, workers, parallelism.rowsPerSlice);
    writeResults(write, program->rules, idb, pool, workers);
    return true;
}

int runWithFiles(const char* inputPath, const char* outputPath, std::size_t threadCount) {
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
    const Write write = [&output](std::string_view chunk) { output.write(chunk); };
    // A person at a terminal hears of what --check would find; the run is checked as it is
    // read, rows on the way, so that this costs little beside the run.
    Diagnostics findings;
    std::optional<InputChecker> checker;
    if (isatty(STDERR_FILENO) != 0) checker.emplace(findings);
    if (!readEvaluateWrite(input, write, checker ? &*checker : nullptr, {.threads = threadCount})) {
        return reportFailure(kInputOpenMessage, inputPath, input.errorNumber());
    }
    if (!output.close()) {
        return reportFailure(kOutputWriteMessage, outputPath, output.errorNumber());
    }
    if (checker) {
        checker->finish();
        if (findings.count() > 0) {
            std::fprintf(stderr, "dedb: %s: %s; 'dedb --check %s' lists them\n", inputPath,
                         counted(findings.count(), "finding").c_str(), inputPath);
        }
    }
    return 0;
}

}  // namespace

int runProgram(const char* inputPath, const char* outputPath, std::size_t threadCount,
               bool isProfiled) {
    (void)isProfiled;
    // Running out of memory anywhere unwinds to here; on the way the unfinished output is
    // discarded, so the files given stay as they were.
    try {
        return runWithFiles(inputPath, outputPath, threadCount);
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
        input, [&output](std::string_view chunk) { output += chunk; }, nullptr, parallelism);
    return output;
}
