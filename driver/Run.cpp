#include "driver/Run.h"

#include <cstdio>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>

#include "data/Literal.h"
#include "data/RelationLoader.h"
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

constexpr std::size_t kEchoChunkSize = 1 << 20;

// Reads the input as it streams past: rule lines into rules, each row straight into its
// table, the echo out to the output in large chunks. No copy of the input text is kept.
struct StreamingLoader {
    OutputFile& output;
    ValuePool& pool;
    RuleListBuilder rules;
    std::vector<RelationTable> edb;
    std::optional<RelationLoader> rows;
    std::string pendingEcho;

    void echo(std::string_view text) {
        if (text.size() >= kEchoChunkSize) {
            // A long line goes out as it is, without a copy in the chunk.
            flushEcho();
            output.write(text);
            return;
        }
        pendingEcho.append(text);
        if (pendingEcho.size() >= kEchoChunkSize) flushEcho();
    }
    void flushEcho() {
        output.write(pendingEcho);
        pendingEcho.clear();
    }
    // After the last line: the echo's buffer is not needed while the rules run.
    void finishEcho() {
        flushEcho();
        std::string().swap(pendingEcho);
    }
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

    ValuePool pool;
    StreamingLoader loader{output, pool, {}, {}, {}, {}};
    readSections([&input] { return input.next(); }, loader);
    if (input.isFailed()) return fail(kInputOpenMessage);
    loader.finishRows();
    loader.finishEcho();
    input.close();
    const std::vector<std::pair<std::string, Rule>> rules = loader.rules.take();

    evaluateTables(rules, loader.edb, pool,
                   [&output](std::string_view chunk) { output.write(chunk); });
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
