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

#include "check/Diagnostics.h"
#include "check/ProgramChecks.h"
#include "check/RowChecks.h"
#include "check/RuleLineChecks.h"
#include "data/StoredRelation.h"
#include "driver/InputLines.h"
#include "driver/InputSections.h"
#include "driver/RuleListBuilder.h"

namespace {

// Takes the input's sections as a run reads them: rules through the same builder, headers as
// the stored relations they declare (without their rows, which are only checked), rows as they
// stream past.
class CheckReader {
public:
    explicit CheckReader(Diagnostics& found) : diagnostics(found), rows(found) {}

    void echo(std::string_view) {}
    void echoLine(std::string_view) {}
    void ruleLine(std::string_view line, std::size_t number) {
        rules.addLine(line, number);
        const Rule own(line, number);
        if (!checkRuleLine(line, own, diagnostics)) {
            skippedLines.insert(number);
            return;
        }
        checkHeadAgainstFirstLine(own);
    }
    void header(std::string_view line, std::size_t number) {
        edb.emplace_back(line, number);
        rows.header(line, number);
    }
    void row(std::string_view line, std::size_t number) { rows.row(line, number); }

    void finish() { checkProgram(rules.take(), edb, skippedLines, diagnostics); }

private:
    // Every line of a rule uses the head of its first line.
    void checkHeadAgainstFirstLine(const Rule& own) {
        const auto [first, isNew] =
            firstHeads.try_emplace(own.getName(), own.getInputLine(), own.headColumnNames());
        if (isNew || first->second.second == own.headColumnNames()) return;
        const std::size_t column = own.getColumns().front().inputColumn;
        const InputPlace place{own.getInputLine(), column};
        diagnostics.warn(place, "this head " + quoted(own.getName() + "(" + own.headText() + ")") +
                                    " differs from the head of the rule's first line, which "
                                    "every line of " +
                                    quoted(own.getName()) + " uses");
        diagnostics.note({first->second.first, 1},
                         "the first line of " + quoted(own.getName()) + " is here");
    }

    Diagnostics& diagnostics;
    RuleListBuilder rules;
    std::vector<StoredRelation> edb;
    RowChecker rows;
    std::set<std::size_t> skippedLines;
    // Per rule name, its first line and head variables.
    std::unordered_map<std::string, std::pair<std::size_t, std::vector<std::string>>> firstHeads;
};

int cannotRead(const char* inputPath, int error) {
    std::fprintf(stderr, "dedb: %s: %s\n", inputPath, std::strerror(error));
    return 2;
}

}  // namespace

bool checkInput(InputLines& input, Diagnostics& diagnostics) {
    CheckReader reader(diagnostics);
    readSections([&input] { return input.next(); }, reader);
    if (input.isFailed()) return false;
    reader.finish();
    return true;
}

int runCheck(const char* inputPath) {
    InputLines input;
    errno = 0;
    if (!input.open(inputPath)) return cannotRead(inputPath, errno != 0 ? errno : EIO);
    Diagnostics diagnostics;
    if (!checkInput(input, diagnostics)) return cannotRead(inputPath, errno != 0 ? errno : EIO);
    diagnostics.write(stdout, inputPath);
    std::fflush(stdout);
    return diagnostics.count() == 0 ? 0 : 1;
}
