#include "check/Checker.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "check/ProgramChecks.h"
#include "check/RuleLineChecks.h"
#include "driver/InputSections.h"

namespace {

int cannotRead(const char* inputPath, int error) {
    std::fprintf(stderr, "dedb: %s: %s\n", inputPath, std::strerror(error));
    return 2;
}

}  // namespace

InputChecker::InputChecker(Diagnostics& found) : diagnostics(found), rows(found) {}

void InputChecker::ruleLine(std::string_view line, std::size_t number) {
    rules.addLine(line, number);
    const Rule own(line, number);
    if (!checkRuleLine(line, own, diagnostics)) {
        skippedLines.insert(number);
        return;
    }
    checkHeadAgainstFirstLine(own);
}

void InputChecker::header(std::string_view line, std::size_t number) {
    edb.emplace_back(line, number);
    rows.header(line, number);
}

void InputChecker::finish() { checkProgram(rules.take(), edb, skippedLines, diagnostics); }

// Every line of a rule uses the head of its first line.
void InputChecker::checkHeadAgainstFirstLine(const Rule& own) {
    const auto [first, isNew] =
        firstHeads.try_emplace(own.getName(), own.getInputLine(), own.headColumnNames());
    if (isNew || first->second.second == own.headColumnNames()) return;
    const InputPlace place{own.getInputLine(), own.getColumns().front().inputColumn};
    diagnostics.warn(place, "this head " + quoted(own.getName() + "(" + own.headText() + ")") +
                                " differs from the head of the rule's first line, which every "
                                "line of " +
                                quoted(own.getName()) + " uses");
    diagnostics.note({first->second.first, 1},
                     "the first line of " + quoted(own.getName()) + " is here");
}

bool checkInput(InputLines& input, Diagnostics& diagnostics) {
    InputChecker reader(diagnostics);
    readSections([&input] { return input.next(); }, reader);
    if (input.isFailed()) return false;
    reader.finish();
    return true;
}

int runCheck(const char* inputPath) {
    InputLines input;
    if (!input.open(inputPath)) return cannotRead(inputPath, input.errorNumber());
    Diagnostics diagnostics;
    if (!checkInput(input, diagnostics)) return cannotRead(inputPath, input.errorNumber());
    diagnostics.write(stdout, inputPath);
    std::fflush(stdout);
    return diagnostics.count() == 0 ? 0 : 1;
}
