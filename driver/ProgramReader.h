#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "rules/Rule.h"

// One relation block of the input: its header line and its row lines.
struct RelationBlock {
    std::string_view header;
    std::vector<std::string_view> rows;
};

// What reading the input yields: the rules, one per distinct head name in order of first
// appearance (the order of evaluation and of output), the relation blocks in input order, and
// the echo of the input that starts the output. Blocks view the lines they were read from.
struct Program {
    std::vector<std::pair<std::string, Rule>> rules;
    std::vector<RelationBlock> blocks;
    std::string echo;
};

// The rule lines up to the first empty line, then blocks of a header line and row lines, each
// block ended by an empty line. Every line is accepted.
Program readProgram(const std::vector<std::string_view>& lines);
