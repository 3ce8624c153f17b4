#include "check/RuleLineChecks.h"

#include <cctype>
#include <map>
#include <string>

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// Warns of a blank at either end of a name that starts at column.
void checkBlanks(std::string_view name, std::string_view what, InputPlace start,
                 Diagnostics& diagnostics) {
    if (name.empty()) return;
    const bool isLeading = isBlank(name.front());
    if (!isLeading && !isBlank(name.back())) return;
    const std::size_t offset = isLeading ? 0 : name.size() - 1;
    diagnostics.warn({start.line, start.column + offset}, std::string(what) + " " + quoted(name) +
                                                              (isLeading ? " starts" : " ends") +
                                                              " with a blank, which is part of it");
    diagnostics.note({start.line, start.column + offset},
                     "blanks are never skipped in dedb's input; remove this one");
}

bool looksLikeComment(std::string_view line) {
    std::size_t first = 0;
    while (first < line.size() && isBlank(line[first])) ++first;
    const std::string_view rest = line.substr(first);
    return rest.starts_with("%") || rest.starts_with("#") || rest.starts_with("//");
}

// Variables that an unquoted word stands for, and wildcards that join.
void checkVariables(const Rule& own, Diagnostics& diagnostics) {
    const std::size_t line = own.getInputLine();
    const RuleBody& body = own.getBodies().front();
    std::map<std::string, std::size_t> uses;
    for (const RuleHeadColumn& column : own.getColumns()) ++uses[column.name];
    for (const RuleRelationElement& reference : body.getRelationElements()) {
        for (const RuleColumn& argument : reference.columnsView()) {
            if (!argument.isConstant()) ++uses[argument.nameView()];
        }
    }
    for (const RuleFilterAttribute& filter : body.getAttributeFilters()) {
        ++uses[filter.leftView()];
        ++uses[filter.rightView()];
    }
    for (const RuleFilterData& filter : body.getDataFilters()) ++uses[filter.leftView()];

    std::size_t referencesWithWildcard = 0;
    for (const RuleRelationElement& reference : body.getRelationElements()) {
        bool hasWildcard = false;
        for (const RuleColumn& argument : reference.columnsView()) {
            const std::string& name = argument.nameView();
            const InputPlace place{line, argument.getInputColumn()};
            if (name == "_" && !hasWildcard) {
                hasWildcard = true;
                if (++referencesWithWildcard == 2) {
                    diagnostics.warn(place,
                                     "`_` is an ordinary variable in dedb: its uses in "
                                     "two references must hold the same value");
                    diagnostics.note(place,
                                     "give each use a name of its own, such as `_1` "
                                     "and `_2`");
                }
            }
            if (!name.empty() && std::islower(static_cast<unsigned char>(name.front())) &&
                uses[name] == 1) {
                diagnostics.warn(place, quoted(name) +
                                            " is a variable, as every unquoted word "
                                            "is, and it occurs nowhere else in the line");
                diagnostics.note(place, "write '" + name + "' for a string");
            }
        }
    }
}

void checkNames(const Rule& own, Diagnostics& diagnostics) {
    const std::size_t line = own.getInputLine();
    checkBlanks(own.getName(), "the rule name", {line, 1}, diagnostics);
    for (const RuleHeadColumn& column : own.getColumns()) {
        checkBlanks(column.name, "the head variable", {line, column.inputColumn}, diagnostics);
    }
    const RuleBody& body = own.getBodies().front();
    for (const RuleRelationElement& reference : body.getRelationElements()) {
        checkBlanks(reference.nameView(), "the relation name", {line, reference.getInputColumn()},
                    diagnostics);
        for (const RuleColumn& argument : reference.columnsView()) {
            checkBlanks(argument.nameView(), "the variable", {line, argument.getInputColumn()},
                        diagnostics);
        }
    }
    for (const RuleFilterAttribute& filter : body.getAttributeFilters()) {
        checkBlanks(filter.leftView(), "the variable", {line, filter.getInputColumn()},
                    diagnostics);
        checkBlanks(filter.rightView(), "the variable", {line, filter.getRightInputColumn()},
                    diagnostics);
    }
    for (const RuleFilterData& filter : body.getDataFilters()) {
        checkBlanks(filter.leftView(), "the variable", {line, filter.getInputColumn()},
                    diagnostics);
    }
}

}  // namespace

bool checkRuleLine(std::string_view text, const Rule& own, Diagnostics& diagnostics) {
    const std::size_t line = own.getInputLine();
    if (line == 1 && text.starts_with("\xEF\xBB\xBF")) {
        diagnostics.warn({1, 1},
                         "the input starts with a UTF-8 byte order mark, which becomes "
                         "part of the first rule's name");
        diagnostics.note({1, 1}, "save the file without a byte order mark");
    }
    if (looksLikeComment(text)) {
        diagnostics.warn({line, 1}, "this line is read as a rule: dedb's input has no comments");
        diagnostics.note({line, 1}, "it makes a rule named " + quoted(own.getName()) +
                                        ", which the output lists; remove the line");
        return false;
    }
    const std::size_t arrow = text.find("<-");
    if (arrow == std::string_view::npos) {
        const std::size_t other = text.find(":-");
        if (other != std::string_view::npos) {
            diagnostics.warn({line, other + 1},
                             "`:-` is not a rule arrow: this line is read "
                             "as a rule without a body, which gives no rows");
            diagnostics.note({line, other + 1}, "write `<-`");
        } else {
            diagnostics.warn({line, 1},
                             "this rule line has no `<-`: it is read as a rule "
                             "without a body, which gives no rows");
        }
        return false;
    }
    // After the head's ")" a blank does no harm; without one, it becomes part of the head.
    const std::string_view head = text.substr(0, arrow);
    if (arrow > 0 && isBlank(text[arrow - 1]) && head.find(')') == std::string_view::npos) {
        diagnostics.warn({line, arrow}, "the blank before `<-` is read as part of the head");
        diagnostics.note({line, arrow}, "blanks are never skipped in dedb's input; remove it");
    }
    if (text.ends_with(".")) {
        diagnostics.warn({line, text.size()},
                         "the `.` that ends this line is read as part of "
                         "its last element");
        diagnostics.note({line, text.size()}, "rule lines end without a full stop");
    }
    checkNames(own, diagnostics);
    checkVariables(own, diagnostics);
    return true;
}
