#pragma once

#include <cstddef>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "check/Diagnostics.h"
#include "check/RowChecks.h"
#include "data/StoredRelation.h"
#include "driver/InputLines.h"
#include "driver/RuleListBuilder.h"
#include "rules/Rule.h"

// Takes an input's sections as a run reads them (a handler for readSections): rules through
// the same builder, headers as the stored relations they declare (without their rows, which
// are only checked), rows as they stream past. finish adds what needs the whole program.
class InputChecker {
public:
    explicit InputChecker(Diagnostics& diagnostics);

    void echo(std::string_view) {}
    void echoLine(std::string_view) {}
    void ruleLine(std::string_view line, std::size_t number);
    void header(std::string_view line, std::size_t number);
    void row(std::string_view line, std::size_t number) { rows.row(line, number); }
    void finish();

private:
    void checkHeadAgainstFirstLine(const Rule& own);

    Diagnostics& diagnostics;
    RuleListBuilder rules;
    std::vector<StoredRelation> edb;
    RowChecker rows;
    std::set<std::size_t> skippedLines;
    // Per rule name, its first line and head variables.
    std::unordered_map<std::string, std::pair<std::size_t, std::vector<std::string>>> firstHeads;
};

// dedb --check INPUT: reads the input exactly as a run does and evaluates nothing; writes one
// diagnostic per finding on standard output, "INPUT:LINE:COLUMN: warning: TEXT", each followed
// by its notes. Returns the exit status: 0 when nothing was found, 1 when something was, 2 when
// the input cannot be read (one line on standard error names the file and the reason).
int runCheck(const char* inputPath);

// Checks the lines of an opened input; false when they could not be read to their end.
bool checkInput(InputLines& input, Diagnostics& diagnostics);
