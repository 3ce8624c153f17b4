#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "driver/Run.h"

namespace {

// The closure of a random graph of 2,000 nodes and 4,000 edges: about 2.5 million rows, so that
// the rule's table outgrows the caches and its last iterations are probed in stages. p's body
// reads two derived relations, so its rows carry keys; r's reads one and carries none.
std::string largeClosure() {
    std::string input =
        "q(X,Y)<-e(X,Y)\n"
        "p(X,Y)<-e(X,Y)\n"
        "p(X,Y)<-q(X,Z),p(Z,Y)\n"
        "r(X,Y)<-e(X,Y)\n"
        "r(X,Y)<-e(X,Z),r(Z,Y)\n"
        "\n"
        "e(A,B)\n";
    constexpr std::uint32_t kNodes = 2000;
    std::uint32_t state = 12345;
    const auto next = [&state] {
        state = state * 1103515245u + 12345u;
        return (state >> 16) % kNodes;
    };
    for (std::uint32_t edge = 0; edge < 2 * kNodes; ++edge) {
        const std::uint32_t from = next();
        input += std::to_string(from) + "," + std::to_string(next()) + "\n";
    }
    return input;
}

TEST(TablesBeyondCaches, GiveTheSameBytesOnAnyNumberOfThreads) {
    const std::string input = largeClosure();
    const std::string expected = runOnText(input);
    ASSERT_GT(expected.size(), std::size_t{40000000});  // two relations of over two million rows
    for (const std::size_t threads : {2, 3}) {
        EXPECT_TRUE(runOnText(input, {.threads = threads}) == expected) << threads << " threads";
    }
}

}  // namespace
