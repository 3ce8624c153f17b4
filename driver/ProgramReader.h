#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "rules/Rule.h"

// The rules of a program, one per distinct head name in order of first appearance (the order
// of evaluation and of output), built from rule lines as they are read.
class RuleListBuilder {
public:
    void addLine(std::string_view line);
    std::vector<std::pair<std::string, Rule>> take() { return std::move(rules); }

private:
    std::vector<std::pair<std::string, Rule>> rules;
    std::unordered_map<std::string, std::size_t> ruleByHeadName;
};

// Splits an input into its parts as the lines come: the rule lines up to the first empty line,
// then blocks of a header line and row lines, each block ended by an empty line. Every line is
// accepted. nextLine() gives the lines in turn (nothing at the end); the handler gets
// ruleLine, header and row for each line, each valid only during the call, and echoLine (a line
// and its line end) and echo with the pieces of the echo that starts the output.
template <typename NextLine, typename Handler>
void readSections(NextLine&& nextLine, Handler& handler) {
    std::optional<std::string_view> line;
    while ((line = nextLine()) && !line->empty()) {
        handler.echoLine(*line);
        handler.ruleLine(*line);
    }
    // The empty line that ends the rules is not echoed. Any line after an empty line is a
    // header, even another empty line.
    while (line && (line = nextLine())) {
        handler.echo("\n");
        handler.echoLine(*line);
        handler.header(*line);
        while ((line = nextLine()) && !line->empty()) {
            handler.echoLine(*line);
            handler.row(*line);
        }
    }
    handler.echo("\n");
}

// One relation block of the input: its header line and its row lines.
struct RelationBlock {
    std::string_view header;
    std::vector<std::string_view> rows;
};

// A program read whole from lines held in memory: the rules, the relation blocks in input
// order, and the echo. Blocks view the lines they were read from.
struct Program {
    std::vector<std::pair<std::string, Rule>> rules;
    std::vector<RelationBlock> blocks;
    std::string echo;
};

Program readProgram(const std::vector<std::string_view>& lines);
