#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "data/RelationLoader.h"
#include "data/StoredRelation.h"
#include "data/ValuePool.h"
#include "driver/InputLines.h"
#include "driver/OutputChunks.h"
#include "driver/RuleListBuilder.h"
#include "rules/Rule.h"

// A program as read: its rules in order of first appearance and its stored relations (the
// edb) in input order.
struct Program {
    std::vector<std::pair<std::string, Rule>> rules;
    std::vector<StoredRelation> edb;
};

// Reads a program as its lines stream past: rule lines into rules, each row straight into its
// relation's table with its values in the pool, and the echo out in chunks. No copy of the
// input text is kept. Once read, stored relations give back the hash sets that found their
// rows.
class ProgramReader {
public:
    ProgramReader(ValuePool& pool, OutputChunks& echo);

    // Nothing when the input could not be read to its end.
    std::optional<Program> read(InputLines& input);

    // The steps of reading, in the order the lines give them.
    void echo(std::string_view text) { echoed.append(text); }
    void echoLine(std::string_view line) { echoed.appendLine(line); }
    void ruleLine(std::string_view line, std::size_t number) { rules.addLine(line, number); }
    void header(std::string_view line, std::size_t number);
    void row(std::string_view line, std::size_t) { rows->addLine(line); }

private:
    void finishRows();

    ValuePool& pool;
    OutputChunks& echoed;
    RuleListBuilder rules;
    std::vector<StoredRelation> edb;
    std::optional<RelationLoader> rows;
};
