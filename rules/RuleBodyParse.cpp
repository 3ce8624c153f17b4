#include <algorithm>

#include "data/Literal.h"
#include "rules/RuleBody.h"

namespace {

bool isComparisonChar(char c) { return c == '=' || c == '<' || c == '>'; }

// A constant when quoted or made only of digits (the empty text included), else a variable.
RuleColumn makeArgument(std::string_view text, std::size_t column) {
    if (!text.empty() && text.front() == '\'') {
        return RuleColumn(std::string(), Value::string(stringLiteralValue(text)), column,
                          text.size());
    }
    if (isDigitsOnly(text)) {
        return RuleColumn(std::string(), Value::integer(digitsValue(text)), column, text.size());
    }
    return RuleColumn(std::string(text), Value::integer(0), column, text.size());
}

// Splits at commas outside quotes. The character right after a cut is never a separator, and
// an open quote at the end still yields the remainder as the last argument. The text starts at
// input column firstColumn.
std::vector<RuleColumn> parseArguments(std::string_view text, std::size_t firstColumn) {
    std::vector<RuleColumn> columns;
    std::string_view rest = text;
    std::size_t j = 0;
    bool inQuote = false;
    while (!rest.empty()) {
        if (j == rest.size() || (rest[j] == ',' && !inQuote)) {
            const auto offset = static_cast<std::size_t>(rest.data() - text.data());
            columns.push_back(makeArgument(rest.substr(0, j), firstColumn + offset));
            rest.remove_prefix(j);
            if (!rest.empty() && rest.front() == ',') rest.remove_prefix(1);
            j = 0;
            if (rest.empty()) break;
        }
        if (rest[j] == '\'') inQuote = !inQuote;
        ++j;
    }
    return columns;
}

}  // namespace

// A comma separates elements only once the element's kind is known (a parenthesis or a
// comparison character outside quotes). Text that ends while an element is still open is
// taken whole as the last element, so nothing is read past the end.
RuleBody::RuleBody(std::string_view text, std::size_t line, std::size_t firstColumn)
    : inputLine(line) {
    std::string_view rest = text;
    std::size_t i = 0;
    bool inQuote = false;
    bool inParentheses = false;
    bool sawParenthesis = false;
    bool sawOperator = false;
    while (!rest.empty()) {
        const bool atEnd = i == rest.size();
        const bool isSeparator = !atEnd && rest[i] == ',' && !inQuote && !inParentheses &&
                                 (sawParenthesis || sawOperator);
        if (atEnd || isSeparator) {
            const std::string_view element = rest.substr(0, i);
            const std::size_t column =
                firstColumn + static_cast<std::size_t>(rest.data() - text.data());
            if (sawParenthesis) {
                parseRelationElement(element, column);
            } else if (sawOperator) {
                parseFilter(element, column);
            } else {
                relationElements.emplace_back(std::string(element), std::vector<RuleColumn>(),
                                              column);
            }
            rest.remove_prefix(i);
            if (!rest.empty() && rest.front() == ',') rest.remove_prefix(1);
            i = 0;
            inQuote = inParentheses = sawParenthesis = sawOperator = false;
            continue;
        }
        const char c = rest[i];
        if (c == '(' && !inQuote && !sawOperator) {
            sawParenthesis = inParentheses = true;
        } else if (c == ')' && !inQuote && !sawOperator) {
            sawParenthesis = true;
            inParentheses = false;
        } else if (c == '\'') {
            inQuote = !inQuote;
        } else if (isComparisonChar(c) && !inQuote && !sawParenthesis) {
            sawOperator = true;
        }
        ++i;
    }
}

void RuleBody::parseFilter(std::string_view text, std::size_t column) {
    std::size_t p = 0;
    bool inQuote = false;
    for (; p < text.size(); ++p) {
        if (text[p] == '\'') {
            inQuote = !inQuote;
        } else if (!inQuote && isComparisonChar(text[p])) {
            break;
        }
    }
    const std::string left(text.substr(0, p));
    const bool nextIsEqual = p + 1 < text.size() && text[p + 1] == '=';
    Comparison op = Comparison::Equal;
    if (p < text.size() && text[p] == '<')
        op = nextIsEqual ? Comparison::LessEqual : Comparison::Less;
    if (p < text.size() && text[p] == '>') {
        op = nextIsEqual ? Comparison::GreaterEqual : Comparison::Greater;
    }
    // "==" reads as "=": the right side starts after a second "=" whatever the operator.
    const std::size_t rightStart = std::min(text.size(), p + (nextIsEqual ? 2 : 1));
    const std::string_view right = text.substr(rightStart);
    const std::size_t rightColumn = column + rightStart;
    if (isDigitsOnly(right)) {
        dataFilters.emplace_back(op, left, Value::integer(digitsValue(right)), column, rightColumn);
    } else if (right.front() == '\'') {
        dataFilters.emplace_back(op, left, Value::string(stringLiteralValue(right)), column,
                                 rightColumn);
    } else {
        attributeFilters.emplace_back(op, left, std::string(right), column, rightColumn);
    }
}

// The argument text drops the element's last character whatever it is (normally ")").
void RuleBody::parseRelationElement(std::string_view text, std::size_t column) {
    const std::size_t open = text.find('(');
    const std::size_t end = text.empty() ? 0 : text.size() - 1;
    std::string_view name = text;
    std::string_view arguments;
    std::size_t argumentsColumn = column;
    if (open == std::string_view::npos) {
        arguments = text.substr(0, end);
    } else {
        name = text.substr(0, open);
        argumentsColumn = column + open + 1;
        if (open + 1 <= end) arguments = text.substr(open + 1, end - open - 1);
    }
    relationElements.emplace_back(std::string(name), parseArguments(arguments, argumentsColumn),
                                  column);
}
