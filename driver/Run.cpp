#include "driver/Run.h"

#include <cstdio>
#include <functional>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

#include "data/Literal.h"
#include "data/RelationLoader.h"
#include "driver/Fixpoint.h"
#include "driver/InputText.h"
#include "driver/Messages.h"
#include "driver/OutputChunks.h"
#include "driver/OutputFile.h"
#include "driver/ProgramReader.h"
#include "driver/ResultWriter.h"

namespace {

int fail(const char* message) {
    std::fputs(message, stderr);
    std::fputc('\n', stderr);
    return 1;
}

// Reads the input as it streams past: rule lines into rules, each row straight into its
// table, the echo out to the output in chunks. No copy of the input text is kept.
struct StreamingLoader {
    OutputChunks& echoed;
    ValuePool& pool;
    RuleListBuilder rules;
    std::vector<RelationTable> edb;
    std::optional<RelationLoader> rows;

    void echo(std::string_view text) { echoed.append(text); }
    void echoLine(std::string_view line) { echoed.appendLine(line); }
    void ruleLine(std::string_view line) { rules.addLine(line); }
    void header(std::string_view line) {
        finishRows();  // before the table it fills can move
        rows.emplace(edb.emplace_back(std::string(headerName(line))), pool);
    }
    void row(std::string_view line) { rows->addLine(line); }
    void finishRows() {
        if (rows) rows->finish();
        rows.reset();
    }
};

void evaluateTables(const std::vector<std::pair<std::string, Rule>>& rules,
                    const std::vector<RelationTable>& edb, ValuePool& pool,
                    const std::function<void(std::string_view)>& write) {
    const std::vector<RelationTable> idb = evaluateToFixpoint(rules, edb, pool);
    writeResults(write, rules, idb, pool);
}

int runWithFiles(int argc, const char* const* argv) {
    if (argc != 3) return fail(kBadArgumentsMessage);
    // The input is opened and its first bytes read before the output is looked at.
    InputLines input;
    if (!input.open(argv[1])) return fail(kInputOpenMessage);
    // The output is written to a temporary file and replaces the old one only when complete,
    // so an output that names the input file loses nothing.
    OutputFile output;
    if (!output.open(argv[2])) return fail(kOutputOpenMessage);

    const std::function<void(std::string_view)> write = [&output](std::string_view chunk) {
        output.write(chunk);
    };
    ValuePool pool;
    std::vector<std::pair<std::string, Rule>> rules;
    std::vector<RelationTable> edb;
    {
        // The echo's chunk and the input's buffer are given back before the rules run.
        OutputChunks echoed(write);
        StreamingLoader loader{echoed, pool, {}, {}, {}};
        readSections([&input] { return input.next(); }, loader);
        if (input.isFailed()) return fail(kInputOpenMessage);
        loader.finishRows();
        echoed.flush();
        rules = loader.rules.take();
        edb = std::move(loader.edb);
    }
    input.close();
    for (RelationTable& table : edb) table.releaseRowSets();

    evaluateTables(rules, edb, pool, write);
    if (!output.close()) return fail(kOutputWriteMessage);
    return 0;
}

}  // namespace

void evaluateProgram(const Program& program, const std::function<void(std::string_view)>& write) {
    ValuePool pool;
    std::vector<RelationTable> edb;
    for (const RelationBlock& block : program.blocks) {
        RelationLoader rows(edb.emplace_back(std::string(headerName(block.header))), pool);
        for (std::string_view row : block.rows) rows.addLine(row);
        rows.finish();
    }
    for (RelationTable& table : edb) table.releaseRowSets();
    evaluateTables(program.rules, edb, pool, write);
}

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
