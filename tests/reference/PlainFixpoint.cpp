#include "data/RelationOperations.h"
#include "driver/InputText.h"
#include "driver/ProgramReader.h"
#include "tests/reference/PlainEvaluation.h"

// The first pass evaluates each rule once, seeing the stored relations and an empty placeholder
// for itself and every rule before it; later rules are not there yet. Every iteration then
// evaluates every rule against the stored relations and everything derived so far, and merges
// the new rows only after all rules have run, so all rules of one iteration see the same list.
std::vector<Relation> evaluateToFixpointPlainly(
    const std::vector<std::pair<std::string, Rule>>& rules, const std::vector<Relation>& edb) {
    std::vector<Relation> idb;
    std::vector<Relation> relations = edb;
    for (const auto& [headName, rule] : rules) {
        Relation placeholder;
        placeholder.setName(rule.getName());
        relations.push_back(placeholder);
        const Relation firstResult = evaluatePlainly(rule, relations);
        Relation entry = placeholder;
        entry.addRows(firstResult);
        entry.setColumns(firstResult.columnsView());
        idb.push_back(entry);
    }

    while (true) {
        relations = edb;
        relations.insert(relations.end(), idb.begin(), idb.end());
        std::vector<Relation> delta_idb;
        for (std::size_t i = 0; i < rules.size(); ++i) {
            delta_idb.push_back(difference(evaluatePlainly(rules[i].second, relations), idb[i]));
        }
        bool isAnyNew = false;
        for (std::size_t i = 0; i < rules.size(); ++i) {
            idb[i].addRows(delta_idb[i]);
            isAnyNew = isAnyNew || !delta_idb[i].rowsView().empty();
        }
        if (!isAnyNew) break;
    }
    return idb;
}

std::string runPlainly(std::string_view input) {
    const Program program = readProgram(splitLines(input));
    std::vector<Relation> edb;
    for (const RelationBlock& block : program.blocks) {
        Relation relation(block.header);
        for (std::string_view row : block.rows) relation.parseRow(row);
        edb.push_back(std::move(relation));
    }
    std::string output = program.echo;
    for (const Relation& relation : evaluateToFixpointPlainly(program.rules, edb)) {
        relation.appendTo(output);
        output.push_back('\n');
    }
    return output;
}
