// Runs the whole program on the fuzzer's bytes as the input file. Small inputs are also run by
// the plain reference evaluator, and the two outputs must be the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "driver/Run.h"
#include "tests/reference/PlainEvaluation.h"

namespace {

// Inputs whose programs are large only describe a lot of work (seven references over twenty
// rows are a billion combinations on any engine); those are left out, not the program changed.
bool isWithinHarnessLimits(const PlainProgram& program, std::size_t maxRows,
                           std::size_t maxReferences) {
    for (const Relation& relation : program.edb) {
        if (relation.rowsView().size() > maxRows) return false;
    }
    for (const auto& [name, rule] : program.rules) {
        for (const RuleBody& body : rule.getBodies()) {
            if (body.getRelationElements().size() > maxReferences) return false;
        }
    }
    return true;
}

void runOnce(const std::string& input) {
    RunStore store;
    const PlainProgram program = readPlainly(input, store);
    if (!isWithinHarnessLimits(program, 24, 4)) return;
    const std::string output = runOnText(input);
    // The reference enumerates every combination, so it only sees programs with few rows.
    const bool isSmall = isWithinHarnessLimits(program, 8, 3) && program.rules.size() <= 4 &&
                         output.size() - program.echo.size() < 600;
    if (isSmall && runPlainly(input) != output) {
        std::abort();  // the engine and the reference disagree
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    runOnce(std::string(reinterpret_cast<const char*>(data), size));
    return 0;
}
