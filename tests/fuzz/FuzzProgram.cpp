// Runs the whole program on the fuzzer's bytes as the input file. Small inputs are also run by
// the plain reference evaluator, and the two outputs must be the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "data/RunStore.h"
#include "driver/InputText.h"
#include "driver/ProgramReader.h"
#include "driver/Run.h"
#include "tests/reference/PlainEvaluation.h"

namespace {

// Inputs whose programs are large only describe a lot of work (seven references over twenty
// rows are a billion combinations on any engine); those are left out, not the program changed.
bool isWithinHarnessLimits(const Program& program, std::size_t maxRows, std::size_t maxReferences) {
    for (const RelationBlock& block : program.blocks) {
        if (block.rows.size() > maxRows) return false;
    }
    for (const auto& [name, rule] : program.rules) {
        for (const RuleBody& body : rule.getBodies()) {
            if (body.getRelationElements().size() > maxReferences) return false;
        }
    }
    return true;
}

void runOnce(const std::string& input) {
    const Program program = readProgram(splitLines(input));
    if (!isWithinHarnessLimits(program, 24, 4)) return;
    std::string output = program.echo;
    evaluateProgram(program, [&output](std::string_view chunk) { output += chunk; });
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
    runStore().clear();  // each input is a run of its own
    return 0;
}
