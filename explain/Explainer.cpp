#include "explain/Explainer.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <new>
#include <optional>
#include <stdexcept>

#include "check/NameSuggestion.h"
#include "driver/InputLines.h"
#include "driver/OutputChunks.h"
#include "driver/ProgramReader.h"
#include "engine/DerivationHistory.h"
#include "engine/DerivationSearch.h"
#include "engine/Fixpoint.h"
#include "engine/HeadBoundBody.h"
#include "engine/MissingRowSearch.h"
#include "engine/ProgramPlan.h"
#include "engine/WorkerPool.h"
#include "explain/DerivationTree.h"
#include "explain/MissingRowReport.h"
#include "explain/RowArgument.h"

namespace {

constexpr std::size_t kNone = ~std::size_t{0};

// Keeps the text of each rule line as the input passes, for the tree to quote.
struct RuleLineTexts {
    std::map<std::size_t, std::string> byLine;

    void ruleLine(std::string_view line, std::size_t number) { byLine.emplace(number, line); }
    void header(std::string_view, std::size_t) {}
    void row(std::string_view, std::size_t) {}
};

int failure(const std::string& message) {
    std::fprintf(stderr, "dedb: %s\n", message.c_str());
    return 2;
}

std::size_t ruleNamed(const Program& program, const std::string& name) {
    for (std::size_t i = 0; i < program.rules.size(); ++i) {
        if (program.rules[i].first == name) return i;
    }
    return kNone;
}

std::size_t storedNamed(const Program& program, const std::string& name) {
    for (std::size_t i = 0; i < program.edb.size(); ++i) {
        if (program.edb[i].getName() == name) return i;
    }
    return kNone;
}

// The position of the row in the table's part for its length, or kNone.
std::size_t positionIn(RelationTable& table, const std::vector<ValueId>& row) {
    RelationPart* part = table.findPart(row.size());
    if (part == nullptr) return kNone;
    part->restoreRowSet();
    const std::size_t position = part->find(row.data());
    return position == RelationPart::kNotFound || position >= part->size() ? kNone : position;
}

std::string unknownNameMessage(const ExplainRequest& request, const Program& program,
                               const std::string& name) {
    std::vector<std::string> known;
    for (const auto& [ruleName, rule] : program.rules) known.push_back(ruleName);
    for (const StoredRelation& relation : program.edb) known.push_back(relation.getName());
    std::string message =
        request.inputPath + ": no rule and no stored relation is named `" + name + "`";
    const std::string nearest = nearestName(name, known);
    if (!nearest.empty()) message += "; did you mean `" + nearest + "`?";
    return message;
}

int explain(const ExplainRequest& request, InputLines& input, std::FILE* out) {
    ValuePool pool;
    RuleLineTexts ruleLines;
    std::optional<Program> program;
    {
        const std::function<void(std::string_view)> discard = [](std::string_view) {};
        OutputChunks discarded(discard);
        ProgramReader reader(pool, discarded);
        program = reader.read(input, ruleLines);
    }
    if (!program) return failure(request.inputPath + ": " + std::strerror(input.errorNumber()));
    input.close();

    const std::optional<RowArgument> row = RowArgument::parse(request.row, pool);
    if (!row) {
        return failure("cannot read the row `" + request.row +
                       "`: write a relation's name and its values, like path(1,4)");
    }
    const std::size_t rule = ruleNamed(*program, row->name);
    const std::size_t stored = storedNamed(*program, row->name);
    if (rule == kNone && stored == kNone) {
        return failure(unknownNameMessage(request, *program, row->name));
    }

    const ProgramPlan plan(program->rules, program->edb, pool);
    WorkerPool workers(request.threads);
    DerivationHistory history(plan.ruleCount());
    std::vector<RelationTable> idb =
        Fixpoint(plan, program->edb, pool, workers, Parallelism{}.rowsPerSlice, &history).run();

    DerivationSearch search(plan, program->rules, program->edb, idb, pool, history);
    DerivationTree tree(search, program->rules, program->edb, idb, pool,
                        [&ruleLines](std::size_t line) { return ruleLines.byLine[line]; });
    auto print = [&](const RowPlace& root) {
        if (request.isJson) {
            tree.printJson(root, request.depth, out);
        } else {
            tree.printText(root, request.depth, out);
        }
        return 0;
    };
    const std::size_t arity = row->values.size();
    if (rule != kNone) {
        const std::size_t position = positionIn(idb[rule], row->values);
        if (position != kNone) return print({false, rule, arity, position});
    }
    if (stored != kNone) {
        const std::size_t position = positionIn(program->edb[stored].getRows(), row->values);
        if (position != kNone) return print({true, stored, arity, position});
    }
    std::string rowText = row->name + "(";
    for (std::size_t i = 0; i < arity; ++i) {
        if (i > 0) rowText += ',';
        pool.appendText(row->values[i], rowText);
    }
    rowText += ")";
    std::string report;
    if (rule == kNone) {
        const std::string why = "not stored: no row line of `" + row->name + "` (line " +
                                std::to_string(program->edb[stored].getHeaderLine()) +
                                ") gives it, and no rule derives it";
        report = request.isJson ? "{\"row\":" + jsonString(rowText) +
                                      ",\"derived\":false,\"why\":" + jsonString(why) + "}\n"
                                : rowText + "  " + why + "\n";
    } else if (arity != valuedHeadColumns(program->rules[rule].second).size()) {
        const std::string why =
            "not derived: rows of `" + row->name + "` have " +
            std::to_string(valuedHeadColumns(program->rules[rule].second).size()) +
            " values, not " + std::to_string(arity);
        report = request.isJson ? "{\"row\":" + jsonString(rowText) +
                                      ",\"derived\":false,\"why\":" + jsonString(why) + "}\n"
                                : rowText + "  " + why + "\n";
    } else {
        MissingRowSearch missing(plan, program->rules, program->edb, idb, pool);
        const std::vector<MissingRowVerdict> verdicts = missing.explain(rule, row->values);
        const Rule& owner = program->rules[rule].second;
        report = request.isJson ? missingRowJson(rowText, owner, verdicts)
                                : missingRowText(rowText, owner, verdicts);
    }
    std::fwrite(report.data(), 1, report.size(), out);
    return 1;
}

}  // namespace

int runExplain(const ExplainRequest& request) {
    InputLines input;
    if (!input.open(request.inputPath.c_str())) {
        return failure(request.inputPath + ": " + std::strerror(input.errorNumber()));
    }
    try {
        const int status = explain(request, input, stdout);
        return std::fflush(stdout) == 0 ? status : 2;
    } catch (const std::bad_alloc&) {
        return failure("out of memory");
    } catch (const std::length_error&) {
        return failure("out of memory");
    }
}

ExplainResult explainOnText(std::string_view text, const ExplainRequest& request) {
    InputLines input;
    input.openText(text);
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* out = open_memstream(&buffer, &size);
    ExplainResult result;
    result.status = explain(request, input, out);
    std::fclose(out);
    result.output.assign(buffer, size);
    std::free(buffer);
    return result;
}
