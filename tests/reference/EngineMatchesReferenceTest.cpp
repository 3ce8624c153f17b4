#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "driver/Run.h"
#include "tests/reference/PlainEvaluation.h"
#include "tests/reference/ProgramGenerator.h"

namespace {

// More programs can be asked for with DEDB_DIFFERENTIAL_PROGRAMS, for longer runs before a
// change to the engine lands.
int programCount() {
    const char* configured = std::getenv("DEDB_DIFFERENTIAL_PROGRAMS");
    return configured != nullptr ? std::atoi(configured) : 3000;
}

TEST(EngineMatchesReference, GeneratedProgramsPrintTheSameBytes) {
    const int count = programCount();
    int mismatches = 0;
    for (int seed = 0; seed < count && mismatches < 3; ++seed) {
        const std::string input = generateProgram(static_cast<std::uint64_t>(seed));
        const std::string expected = runPlainly(input);
        const std::string actual = runOnText(input);
        if (actual != expected) ++mismatches;
        EXPECT_EQ(actual, expected) << "seed " << seed << ", input:\n" << input;
    }
}

// Slices of one row cut every pass of these small programs into many tasks, so the threads meet
// the same rows in every order they can; slices of two rows leave passes of one row to the
// calling thread, so that both kinds of pass meet within one iteration.
TEST(EngineMatchesReference, AnyNumberOfThreadsPrintsTheSameBytes) {
    const int count = programCount() / 3;
    int mismatches = 0;
    for (int seed = 0; seed < count && mismatches < 3; ++seed) {
        const std::string input = generateProgram(static_cast<std::uint64_t>(seed));
        const std::string expected = runOnText(input);
        for (const std::size_t threads : {2, 3, 4, 8}) {
            for (const std::uint32_t rowsPerSlice : {1u, 2u}) {
                const std::string actual =
                    runOnText(input, {.threads = threads, .rowsPerSlice = rowsPerSlice});
                if (actual != expected) ++mismatches;
                EXPECT_EQ(actual, expected) << threads << " threads, slices of " << rowsPerSlice
                                            << ", seed " << seed << ", input:\n"
                                            << input;
            }
        }
    }
}

}  // namespace
