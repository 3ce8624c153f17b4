#include "driver/Run.h"

#include <cstdio>
#include <new>
#include <stdexcept>
#include <string>

#include "data/Literal.h"
#include "driver/Fixpoint.h"
#include "driver/InputText.h"
#include "driver/Messages.h"
#include "driver/OutputFile.h"
#include "driver/ProgramReader.h"
#include "driver/ResultWriter.h"

namespace {

int fail(const char* message) {
    std::fputs(message, stderr);
    std::fputc('\n', stderr);
    return 1;
}

}  // namespace

void evaluateProgram(const Program& program, const std::function<void(std::string_view)>& write) {
    ValuePool pool;
    std::vector<RelationTable> edb;
    for (const RelationBlock& block : program.blocks) {
        RelationTable& table = edb.emplace_back(std::string(headerName(block.header)));
        for (std::string_view row : block.rows) table.parseRow(row, pool);
    }
    const std::vector<RelationTable> idb = evaluateToFixpoint(program.rules, edb, pool);
    writeResults(write, program.rules, idb, pool);
}

namespace {

int runWithFiles(int argc, const char* const* argv) {
    if (argc != 3) return fail(kBadArgumentsMessage);
    // The input is read whole before the output is opened, so an output that names the input
    // file loses nothing.
    const std::optional<std::string> text = readWholeFile(argv[1]);
    if (!text) return fail(kInputOpenMessage);
    OutputFile output;
    if (!output.open(argv[2])) return fail(kOutputOpenMessage);

    const Program program = readProgram(splitLines(*text));
    output.write(program.echo);

    evaluateProgram(program, [&output](std::string_view chunk) { output.write(chunk); });
    if (!output.close()) return fail(kOutputWriteMessage);
    return 0;
}

}  // namespace

int runProgram(int argc, const char* const* argv) {
    // Running out of memory anywhere unwinds to here; on the way the unfinished output is
    // discarded, so the files given stay as they were.
    try {
        return runWithFiles(argc, argv);
    } catch (const std::bad_alloc&) {
        return fail(kOutOfMemoryMessage);
    } catch (const std::length_error&) {
        return fail(kOutOfMemoryMessage);
    }
}
