#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "driver/Run.h"

namespace {

// A closure large enough that its rows are written in blocks by several workers, with rows of
// strings and of integers in one relation.
std::string chainProgram(int nodes) {
    std::string input = "path(X,Y)<-edge(X,Y)\npath(X,Y)<-edge(X,Z),path(Z,Y)\n\nedge(A,B)\n";
    for (int i = 0; i + 1 < nodes; ++i) {
        if (i % 7 == 0) {
            input += "'n" + std::to_string(i) + "','n" + std::to_string(i + 1) + "'\n";
        }
        input += std::to_string(i) + "," + std::to_string(i + 1) + "\n";
    }
    return input;
}

// The workers keep four blocks each on hand: 60 blocks go round that ring on 8 threads, and the
// blocks are written while later ones are formatted, by whichever worker finished the next.
TEST(SharedWriting, BlocksOfRowsGoOutInOrder) {
    const std::string input = chainProgram(700);  // 244,650 rows and then some
    const std::string expected = runOnText(input);
    ASSERT_GT(expected.size(), std::size_t{1500000});
    for (const std::size_t threads : {2, 3, 8}) {
        EXPECT_EQ(runOnText(input, {.threads = threads}), expected) << threads << " threads";
    }
}

}  // namespace

namespace {

// Many threads on a program of many rules: each thread makes only the joins it runs, and the
// output is the same.
TEST(SharedWriting, ManyThreadsOnManyRulesGiveTheSameBytes) {
    std::string input = "r0(X)<-s(X)\n";
    for (int i = 1; i < 300; ++i) {
        input.append("r").append(std::to_string(i)).append("(X)<-r");
        input.append(std::to_string(i - 1)).append("(X)\n");
    }
    input += "\ns(A)\n";
    for (int i = 0; i < 2000; ++i) input += std::to_string(i) + "\n";
    const std::string expected = runOnText(input);
    EXPECT_EQ(runOnText(input, {.threads = 64, .rowsPerSlice = 16}), expected);
}

}  // namespace

namespace {

// Threads that wait during evaluation write the first relation's committed rows; writing goes on
// from there, and the relation after it follows as on one thread. The closure of a random graph
// keeps its rows as a bitmap, whose passes leave a thread waiting after each wave.
TEST(SharedWriting, RowsWrittenDuringEvaluationContinueWhereTheyStopped) {
    std::string input =
        "path(X,Y)<-edge(X,Y)\npath(X,Y)<-edge(X,Z),path(Z,Y)\n"
        "reach(Y)<-path(0,Y)\n\nedge(A,B)\n";
    std::uint32_t state = 12345;
    const auto next = [&state](std::uint32_t below) {
        state = state * 1103515245u + 12345u;
        return (state >> 8) % below;
    };
    for (int i = 0; i < 900; ++i) {
        input += std::to_string(next(300)) + "," + std::to_string(next(300)) + "\n";
    }
    const std::string expected = runOnText(input);
    ASSERT_GT(expected.size(), std::size_t{300000});
    for (const std::size_t threads : {2, 3, 8}) {
        for (const std::uint32_t rowsPerSlice : {4u, 512u}) {
            // Where the texts part, not their whole difference, which is too large to print.
            const std::string actual =
                runOnText(input, {.threads = threads, .rowsPerSlice = rowsPerSlice});
            const auto parted =
                std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end());
            EXPECT_EQ(parted.first - actual.begin(), static_cast<std::ptrdiff_t>(expected.size()))
                << threads << " threads, slices of " << rowsPerSlice << ": " << actual.size()
                << " bytes against " << expected.size();
        }
    }
}

}  // namespace
