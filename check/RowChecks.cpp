#include "check/RowChecks.h"

#include "data/Literal.h"
#include "data/StoredRelation.h"

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isBlank(char c) { return c == ' ' || c == '\t'; }

// An optional sign, then digits to the end of the field.
bool isIntegerField(std::string_view field) {
    std::size_t i = !field.empty() && (field[0] == '-' || field[0] == '+') ? 1 : 0;
    if (i == field.size()) return false;
    for (; i < field.size(); ++i) {
        if (!isDigit(field[i])) return false;
    }
    return true;
}

// A row as it is almost always written: one field per column, each an optionally signed
// integer or a string between quotes with no comma inside. One pass, no copies: most rows of a
// large input take only this.
bool isPlainRow(std::string_view line, std::size_t columns) {
    const char* at = line.data();
    const char* const end = at + line.size();
    std::size_t fields = 1;
    for (;;) {
        if (at < end && *at == '\'') {
            const char* const text = ++at;
            while (at < end && *at != ',') ++at;
            if (at == text || at[-1] != '\'') return false;
        } else {
            if (at < end && (*at == '-' || *at == '+')) ++at;
            const char* const digits = at;
            while (at < end && isDigit(*at)) ++at;
            if (at == digits || (at < end && *at != ',')) return false;
        }
        if (at == end) return fields == columns;
        ++at;
        ++fields;
    }
}

// A rule line that an empty line cut off from the rules: a name, "(", and later "<-".
bool looksLikeRuleLine(std::string_view line) {
    if (line.empty() || line.front() == '\'' || isDigit(line.front())) return false;
    const std::size_t open = line.find('(');
    return open != std::string_view::npos && line.find("<-", open) != std::string_view::npos;
}

}  // namespace

RowChecker::RowChecker(Diagnostics& found) : diagnostics(found) {}

void RowChecker::header(std::string_view line, std::size_t number) {
    name = std::string(headerName(line));
    columns = StoredRelation(line, number).getColumnCount();
    isRuleBlock = looksLikeRuleLine(line);
    if (!isRuleBlock) return;
    diagnostics.warn({number, 1},
                     "this rule line is read as the header of a stored relation, "
                     "and the lines after it as its rows");
    diagnostics.note({number, 1},
                     "the rules end at the first empty line; remove the empty "
                     "line above this one");
}

void RowChecker::row(std::string_view line, std::size_t number) {
    if (isRuleBlock || isPlainRow(line, columns)) return;
    if (looksLikeRuleLine(line)) {
        diagnostics.warn({number, 1}, "this rule line is read as a row of " + quoted(name));
        diagnostics.note({number, 1},
                         "the rules end at the first empty line; rules after it "
                         "are read as stored relations");
        return;
    }
    // A tab outside quotes explains whatever else looks wrong in its row.
    std::size_t tab = std::string_view::npos;
    forEachCommaPiece(line, [&](std::string_view field) {
        const std::size_t at = field.find('\t');
        const bool isQuoted = field.starts_with("'") && at != std::string_view::npos &&
                              field.find('\'', at) != std::string_view::npos;
        if (tab == std::string_view::npos && at != std::string_view::npos && !isQuoted) {
            tab = static_cast<std::size_t>(field.data() - line.data()) + at;
        }
    });
    if (tab != std::string_view::npos) {
        diagnostics.warn({number, tab + 1}, "a tab does not separate fields: it is part of one");
        diagnostics.note({number, tab + 1}, "fields are separated by commas");
        return;
    }
    std::size_t fields = 0;
    bool isCommaQuoted = false;
    forEachCommaPiece(line, [&](std::string_view field) {
        ++fields;
        const std::size_t column = static_cast<std::size_t>(field.data() - line.data()) + 1;
        if (!field.empty() && field.front() == '\'' && !field.ends_with("'")) isCommaQuoted = true;
        checkField(field, {number, column});
    });
    if (fields == columns) return;
    diagnostics.warn({number, 1}, "this row has " + counted(fields, "field") + ", but " +
                                      quoted(name) + " has " + counted(columns, "column"));
    if (isCommaQuoted) {
        diagnostics.note({number, 1}, "a comma separates fields even inside quotes");
    }
}

void RowChecker::checkField(std::string_view field, InputPlace place) {
    if (field.empty()) {
        diagnostics.warn(place, "an empty field is read as the integer 0");
        return;
    }
    if (field.front() == '\'') {
        if (field.size() >= 2 && field.back() == '\'') return;
        diagnostics.warn(place, "the quoted field " + quoted(field) +
                                    " does not end with a quote, so it is read as '" +
                                    std::string(stringLiteralView(field)) + "'");
        return;
    }
    if (isIntegerField(field)) return;
    const std::string value = std::to_string(integerLiteralValue(field));
    if (isBlank(field.front()) || isBlank(field.back())) {
        diagnostics.warn(place, "the field " + quoted(field) + " has a blank at its " +
                                    (isBlank(field.front()) ? "start" : "end") +
                                    ", so it is read as the integer " + value);
        diagnostics.note(place, "blanks are never skipped in dedb's input; remove it");
    } else if (field.front() == '"') {
        diagnostics.warn(place, "the field " + quoted(field) + " is read as the integer 0");
        diagnostics.note(place, "strings are written between single quotes");
    } else {
        diagnostics.warn(place, "the field " + quoted(field) + " is read as the integer " + value);
        if (!isDigit(field.front()) && field.front() != '-' && field.front() != '+') {
            diagnostics.note(place, "write '" + std::string(field) + "' for a string");
        }
    }
}
