#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>

#include "driver/ReadingThreads.h"

namespace {

TEST(ReadingThreads, TwoThreadsShareOnlyTheReadingOfALargeInputOfKnownSize) {
    constexpr std::uint64_t kMebibyte = std::uint64_t{1} << 20;
    struct Case {
        std::size_t threads;
        std::uint64_t inputBytes;
        bool isShared;
    };
    for (const Case& c : {
             Case{1, 1000 * kMebibyte, false},
             Case{2, 0, false},
             Case{2, 5 * kMebibyte, false},
             Case{2, 16 * kMebibyte, true},
             Case{2, 1000 * kMebibyte, true},
             // A pipe's size is not known: its bytes, however many, are not a size.
             Case{2, kUnknownInputSize, false},
             Case{3, 0, true},
             Case{3, kUnknownInputSize, true},
             Case{8, 5 * kMebibyte, true},
         }) {
        EXPECT_EQ(isReadOnAllThreads(c.threads, c.inputBytes), c.isShared)
            << c.threads << " threads, " << c.inputBytes << " bytes";
    }
}

}  // namespace
