#include "rules/Rule.h"

#include "data/Literal.h"
#include "data/RunStore.h"

std::string_view Rule::headName(std::string_view line) { return headerName(line); }

std::string_view Rule::bodyText(std::string_view line) {
    const std::size_t arrow = line.find("<-");
    if (arrow == std::string_view::npos) return std::string_view();
    return line.substr(arrow + 2);
}

// The head variables stand between the first "(" and the first ")". Without a ")" after the
// "(", they run to the end of the line; without a "(", the head has one column with no name.
Rule::Rule(std::string_view line) : name(headName(line)) {
    const std::size_t open = line.find('(');
    std::string_view variables;
    if (open != std::string_view::npos) {
        const std::size_t close = line.find(')');
        const std::size_t end =
            (close == std::string_view::npos || close < open) ? line.size() : close;
        variables = line.substr(open + 1, end - open - 1);
    }
    forEachCommaPiece(variables, [this](std::string_view piece) {
        columns.push_back(&runStore().makeColumn(std::string(piece), std::string()));
    });
    addBody(bodyText(line));
}

void Rule::addBody(std::string_view text) { bodies.emplace_back(text); }

std::string Rule::headText() const {
    std::string text;
    for (const DataColumn* column : columns) text += column->nameView() + ",";
    text.pop_back();
    return text;
}

std::string Rule::toString() const {
    std::string text;
    for (const RuleBody& body : bodies) {
        text += name + "(" + headText() + ")<-" + body.toString() + "\n";
    }
    return text;
}

std::vector<std::string> Rule::headColumnNames() const {
    std::vector<std::string> names;
    for (const DataColumn* column : columns) names.push_back(column->getName());
    return names;
}
