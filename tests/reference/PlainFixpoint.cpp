#include "driver/InputLines.h"
#include "driver/InputSections.h"
#include "driver/RuleListBuilder.h"
#include "tests/reference/PlainEvaluation.h"
#include "tests/reference/model/RelationOperations.h"

namespace {

// Reads the sections as the program does, into plain relations and the echo.
struct PlainReader {
    RunStore& store;
    PlainProgram& program;
    RuleListBuilder rules;

    void echo(std::string_view text) { program.echo.append(text); }
    void echoLine(std::string_view line) {
        program.echo.append(line);
        program.echo.push_back('\n');
    }
    void ruleLine(std::string_view line, std::size_t number) { rules.addLine(line, number); }
    void header(std::string_view line, std::size_t) { program.edb.emplace_back(line, store); }
    void row(std::string_view line, std::size_t) { program.edb.back().parseRow(line, store); }
};

}  // namespace

// The first pass evaluates each rule once, seeing the stored relations and an empty placeholder
// for itself and every rule before it; later rules are not there yet. Every iteration then
// evaluates every rule against the stored relations and everything derived so far, and merges
// the new rows only after all rules have run, so all rules of one iteration see the same list.
std::vector<Relation> evaluateToFixpointPlainly(
    const std::vector<std::pair<std::string, Rule>>& rules, const std::vector<Relation>& edb,
    RunStore& store, std::vector<std::vector<std::size_t>>* sizes) {
    std::vector<Relation> idb;
    auto noteSizes = [&] {
        if (sizes == nullptr) return;
        std::vector<std::size_t>& counts = sizes->emplace_back();
        for (const Relation& relation : idb) counts.push_back(relation.rowsView().size());
    };
    std::vector<Relation> relations = edb;
    for (const auto& [headName, rule] : rules) {
        Relation placeholder;
        placeholder.setName(rule.getName());
        relations.push_back(placeholder);
        const Relation firstResult = evaluatePlainly(rule, relations, store);
        Relation entry = placeholder;
        entry.addRows(firstResult);
        entry.setColumns(firstResult.columnsView());
        idb.push_back(entry);
    }
    noteSizes();

    while (true) {
        relations = edb;
        relations.insert(relations.end(), idb.begin(), idb.end());
        std::vector<Relation> delta_idb;
        for (std::size_t i = 0; i < rules.size(); ++i) {
            delta_idb.push_back(
                difference(evaluatePlainly(rules[i].second, relations, store), idb[i]));
        }
        bool isAnyNew = false;
        for (std::size_t i = 0; i < rules.size(); ++i) {
            idb[i].addRows(delta_idb[i]);
            isAnyNew = isAnyNew || !delta_idb[i].rowsView().empty();
        }
        noteSizes();
        if (!isAnyNew) break;
    }
    return idb;
}

PlainProgram readPlainly(std::string_view input, RunStore& store) {
    InputLines lines;
    lines.openText(input);
    PlainProgram program;
    PlainReader reader{store, program, {}};
    readSections([&lines] { return lines.next(); }, reader);
    program.rules = reader.rules.take();
    return program;
}

std::string runPlainly(std::string_view input) {
    RunStore store;
    const PlainProgram program = readPlainly(input, store);
    std::string output = program.echo;
    for (const Relation& relation : evaluateToFixpointPlainly(program.rules, program.edb, store)) {
        relation.appendTo(output);
        output.push_back('\n');
    }
    return output;
}
