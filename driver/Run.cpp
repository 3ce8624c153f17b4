#include "driver/Run.h"

#include <functional>
#include <new>
#include <optional>
#include <stdexcept>
#include <utility>

#include "data/ValuePool.h"
#include "driver/InputLines.h"
#include "driver/Messages.h"
#include "driver/OutputChunks.h"
#include "driver/OutputFile.h"
#include "driver/ProgramReader.h"
#include "driver/ResultWriter.h"
#include "engine/Fixpoint.h"

namespace {

using Write = std::function<void(std::string_view)>;

// Reads the program, echoing it, then evaluates it and writes the derived relations, all
// through write. False when the input could not be read to its end.
bool readEvaluateWrite(InputLines& input, const Write& write) {
    ValuePool pool;
    std::optional<Program> program;
    {
        // The echo's chunk and the input's buffer are given back before the rules run.
        OutputChunks echoed(write);
        program = ProgramReader(pool, echoed).read(input);
        if (!program) return false;
        echoed.flush();
    }
    input.close();
    const std::vector<RelationTable> idb = evaluateToFixpoint(program->rules, program->edb, pool);
    writeResults(write, program->rules, idb, pool);
    return true;
}

int runWithFiles(const char* inputPath, const char* outputPath) {
    // The input is opened and its first bytes read before the output is looked at.
    InputLines input;
    if (!input.open(inputPath)) return reportFailure(kInputOpenMessage);
    // The output is written to a temporary file and replaces the old one only when complete,
    // so an output that names the input file loses nothing.
    OutputFile output;
    if (!output.open(outputPath)) return reportFailure(kOutputOpenMessage);
    const Write write = [&output](std::string_view chunk) { output.write(chunk); };
    if (!readEvaluateWrite(input, write)) return reportFailure(kInputOpenMessage);
    if (!output.close()) return reportFailure(kOutputWriteMessage);
    return 0;
}

}  // namespace

int runProgram(const char* inputPath, const char* outputPath) {
    // Running out of memory anywhere unwinds to here; on the way the unfinished output is
    // discarded, so the files given stay as they were.
    try {
        return runWithFiles(inputPath, outputPath);
    } catch (const std::bad_alloc&) {
        return reportFailure(kOutOfMemoryMessage);
    } catch (const std::length_error&) {
        return reportFailure(kOutOfMemoryMessage);
    }
}

std::string runOnText(std::string_view text) {
    InputLines input;
    input.openText(text);
    std::string output;
    readEvaluateWrite(input, [&output](std::string_view chunk) { output += chunk; });
    return output;
}
