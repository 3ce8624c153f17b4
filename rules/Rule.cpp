#include "rules/Rule.h"

#include "data/Literal.h"

namespace {

// The input column of the body's first byte: right after the first "<-", or past the line's
// end when it has none.
std::size_t bodyColumn(std::string_view line) {
    const std::size_t arrow = line.find("<-");
    return (arrow == std::string_view::npos ? line.size() : arrow + 2) + 1;
}

}  // namespace

std::string_view Rule::headName(std::string_view line) { return headerName(line); }

std::string_view Rule::bodyText(std::string_view line) {
    const std::size_t arrow = line.find("<-");
    if (arrow == std::string_view::npos) return std::string_view();
    return line.substr(arrow + 2);
}

// The head variables stand between the first "(" and the first ")". Without a ")" after the
// "(", they run to the end of the line; without a "(", the head has one column with no name.
Rule::Rule(std::string_view line, std::size_t inputLine) : name(headName(line)) {
    const std::size_t open = line.find('(');
    std::string_view variables;
    if (open != std::string_view::npos) {
        const std::size_t close = line.find(')');
        const std::size_t end =
            (close == std::string_view::npos || close < open) ? line.size() : close;
        variables = line.substr(open + 1, end - open - 1);
    }
    const std::size_t firstColumn = open == std::string_view::npos ? line.size() + 1 : open + 2;
    forEachCommaPiece(variables, [&](std::string_view piece) {
        const auto offset = static_cast<std::size_t>(piece.data() - variables.data());
        columns.push_back({std::string(piece), firstColumn + offset});
    });
    addBodyOf(line, inputLine);
}

void Rule::addBodyOf(std::string_view line, std::size_t inputLine) {
    bodies.emplace_back(bodyText(line), inputLine, bodyColumn(line));
}

std::string Rule::headText() const {
    std::string text;
    for (const RuleHeadColumn& column : columns) text += column.name + ",";
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
    for (const RuleHeadColumn& column : columns) names.push_back(column.name);
    return names;
}
