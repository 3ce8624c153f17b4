#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

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

// Programs whose passes give many combinations per row, so that a pass's rows go to the table in
// many batches that end anywhere in a row's candidates, some while the last reference reads the
// very table that the batches grow; with last references that only bind values and ones that
// check, repeat, scan or look up whole rows, and heads that repeat a value or hold a constant;
// and passes that look up a few newest rows after many older ones.
TEST(EngineMatchesReference, ProgramsOfManyCombinationsPerRowPrintTheSameBytes) {
    std::uint32_t state = 7;
    const auto randomEdges = [&state](std::uint32_t nodes, int count) {
        std::string edges;
        for (int edge = 0; edge < count; ++edge) {
            state = state * 1103515245u + 12345u;
            const std::uint32_t from = (state >> 16) % nodes;
            state = state * 1103515245u + 12345u;
            edges += std::to_string(from) + "," + std::to_string((state >> 16) % nodes) + "\n";
        }
        return edges;
    };
    const std::string edges = randomEdges(30, 70);
    std::string nodes;
    for (int node = 0; node < 70; ++node) nodes += std::to_string(node) + "\n";
    // A chain's closure grows by a few rows per iteration, so the newest rows that a body looks
    // up after reading others are few against the older ones.
    const auto chainOf = [](int length) {
        std::string chain;
        for (int node = 0; node < length; ++node) {
            chain += std::to_string(node) + "," + std::to_string(node + 1) + "\n";
        }
        return chain;
    };
    const std::vector<std::string> programs = {
        "p(X,Y)<-e(X,Y)\np(X,Y)<-p(X,Z),p(Z,Y)\n\ne(A,B)\n" + edges,
        "p(X,Y)<-e(X,Y)\np(X,Y)<-e(X,Z),p(Z,Y),X<Y\np(X,Y)<-p(X,Z),p(Z,Y),Z<Y\n\ne(A,B)\n" + edges,
        "s(X,Y)<-e(X,Y)\ns(X,Y)<-s(X,Z),e(Z,W),e(W,Y)\nt(X,Y,Z)<-e(X,Y),e(Y,Z),e(Z,X)\n"
        "w(X,Y)<-e(X,Y),e(Y,X)\nh(X,'k',X,Y)<-e(X,Z),s(Z,Y)\nr(X,Y)<-e(X,Y),s(Y,Y)\n\n"
        "e(A,B)\n" +
            randomEdges(12, 30),
        "c(X,Y)<-n(X),n(Y)\nd(Y,X)<-c(X,Y),n(Y)\n\nn(A)\n" + nodes,
        "p(X,Y)<-e(X,Y)\np(X,Y)<-p(X,Z),e(Z,Y)\nk(X,C,Y)<-p(X,Y),c(C)\nq(X,Y)<-e(X,Z),p(Z,Y)\n"
        "w(X,Y)<-e(X,Z),k(Z,2,Y)\n\ne(A,B)\n" +
            chainOf(32) + "\nc(A)\n1\n2\n",
        "p(X,Y)<-e(X,Y)\np(X,Y)<-p(X,Z),e(Z,Y)\nk(X,C,Y)<-p(X,Y),c(C)\n"
        "m(X,Y)<-e(X,Z),e(W,X),k(Z,2,Y)\n\ne(A,B)\n" +
            chainOf(14) + "\nc(A)\n1\n2\n",
    };
    for (const std::string& input : programs) {
        const std::string expected = runPlainly(input);
        EXPECT_EQ(runOnText(input), expected) << input;
        for (const std::size_t threads : {2, 3}) {
            for (const std::uint32_t rowsPerSlice : {1u, 4096u}) {
                EXPECT_EQ(runOnText(input, {.threads = threads, .rowsPerSlice = rowsPerSlice}),
                          expected)
                    << threads << " threads, slices of " << rowsPerSlice << ", input:\n"
                    << input;
            }
        }
    }
}

}  // namespace
