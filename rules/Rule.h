#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "data/DataColumn.h"
#include "rules/RuleBody.h"

// A derived relation: a head (name and columns) and the bodies of every rule line that carries
// the head's name, in input order. Its rows are the union of its bodies' rows, each body's rows
// cut down to the head's variables in head order.
class Rule {
public:
    // Builds the head and the first body from a whole rule line.
    explicit Rule(std::string_view line);

    // The text before the first "(", or the whole line without one.
    static std::string_view headName(std::string_view line);
    // The text after the first "<-"; a line without one has an empty body.
    static std::string_view bodyText(std::string_view line);

    void addBody(std::string_view text);
    std::string getName() const { return name; }
    std::vector<const DataColumn*> getColumns() const { return columns; }
    const std::vector<RuleBody>& getBodies() const { return bodies; }

    // One line per body, each repeating the head.
    std::string toString() const;

    // The head variables joined by ",".
    std::string headText() const;
    std::vector<std::string> headColumnNames() const;

private:
    std::string name;
    std::vector<const DataColumn*> columns;
    std::vector<RuleBody> bodies;
};
