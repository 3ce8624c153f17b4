// Runs the whole program on the fuzzer's bytes as the input file. Small inputs are also run by
// the plain reference evaluator, and the two outputs must be the same bytes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "driver/InputLines.h"
#include "driver/InputSections.h"
#include "driver/RuleListBuilder.h"
#include "driver/Run.h"
#include "tests/reference/PlainEvaluation.h"

namespace {

// What the harness limits look at, read by the program's own section rules without building
// any value: the rules, the rows of the largest relation block, the length of the echo.
struct ProgramSize {
    RuleListBuilder ruleLines;
    std::vector<std::pair<std::string, Rule>> rules;
    std::size_t mostRows = 0;
    std::size_t rows = 0;
    std::size_t echoSize = 0;

    void echo(std::string_view text) { echoSize += text.size(); }
    void echoLine(std::string_view line) { echoSize += line.size() + 1; }
    void ruleLine(std::string_view line, std::size_t number) { ruleLines.addLine(line, number); }
    void header(std::string_view, std::size_t) { rows = 0; }
    void row(std::string_view, std::size_t) { mostRows = std::max(mostRows, ++rows); }
};

ProgramSize measure(const std::string& input) {
    InputLines lines;
    lines.openText(input);
    ProgramSize size;
    readSections([&lines] { return lines.next(); }, size);
    size.rules = size.ruleLines.take();
    return size;
}

// Inputs whose programs are large only describe a lot of work (seven references over twenty
// rows are a billion combinations on any engine); those are left out, not the program changed.
bool isWithinHarnessLimits(const ProgramSize& program, std::size_t maxRows,
                           std::size_t maxReferences) {
    if (program.mostRows > maxRows) return false;
    for (const auto& [name, rule] : program.rules) {
        for (const RuleBody& body : rule.getBodies()) {
            if (body.getRelationElements().size() > maxReferences) return false;
        }
    }
    return true;
}

void runOnce(const std::string& input) {
    const ProgramSize program = measure(input);
    if (!isWithinHarnessLimits(program, 24, 4)) return;
    const std::string output = runOnText(input);
    // The reference enumerates every combination, so it only sees programs with few rows.
    const bool isSmall = isWithinHarnessLimits(program, 8, 3) && program.rules.size() <= 4 &&
                         output.size() - program.echoSize < 600;
    if (isSmall && runPlainly(input) != output) {
        std::abort();  // the engine and the reference disagree
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    runOnce(std::string(reinterpret_cast<const char*>(data), size));
    return 0;
}
