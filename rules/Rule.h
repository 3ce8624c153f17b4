#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "rules/RuleBody.h"

// One column of a rule's head: the variable's name exactly as written (blanks included, empty
// for p()), and the input column where it starts.
struct RuleHeadColumn {
    std::string name;
    std::size_t inputColumn;
};

// A derived relation: a head (name and columns) and the bodies of every rule line that carries
// the head's name, in input order. Its rows are the union of its bodies' rows, each body's rows
// cut down to the head's variables in head order. The head is the first line's; each body keeps
// the input line it came from.
class Rule {
public:
    // Builds the head and the first body from a whole rule line, input line inputLine (0 for a
    // line that came from no input).
    explicit Rule(std::string_view line, std::size_t inputLine = 0);

    // The text before the first "(", or the whole line without one.
    static std::string_view headName(std::string_view line);
    // The text after the first "<-"; a line without one has an empty body.
    static std::string_view bodyText(std::string_view line);

    // Adds the body of a later line with the same head name; its head is not used.
    void addBodyOf(std::string_view line, std::size_t inputLine = 0);
    std::string getName() const { return name; }
    const std::vector<RuleHeadColumn>& getColumns() const { return columns; }
    const std::vector<RuleBody>& getBodies() const { return bodies; }
    // The input line of the first line, which gave the head.
    std::size_t getInputLine() const { return bodies.front().getInputLine(); }

    // One line per body, each repeating the head.
    std::string toString() const;

    // The head variables joined by ",".
    std::string headText() const;
    std::vector<std::string> headColumnNames() const;

private:
    std::string name;
    std::vector<RuleHeadColumn> columns;
    std::vector<RuleBody> bodies;
};
