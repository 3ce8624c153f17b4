#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <string_view>

#include "driver/OutputChunks.h"

namespace {

constexpr std::size_t kChunk = OutputChunks::kChunkSize;

// Whatever the pieces and wherever a chunk fills, the bytes handed over are the bytes appended,
// and only text as long as a chunk goes out in a piece larger than one.
TEST(OutputChunksBytes, AreTheAppendedBytesAcrossChunkEnds) {
    std::string written;
    std::size_t largest = 0;
    const std::function<void(std::string_view)> write = [&](std::string_view piece) {
        written += piece;
        if (piece.size() > largest) largest = piece.size();
    };
    std::string expected;
    OutputChunks out(write);
    const std::int64_t lowest = std::numeric_limits<std::int64_t>::min();
    for (const std::size_t filler :
         {kChunk - 1, kChunk - 19, kChunk - 20, kChunk - 21, std::size_t{7}}) {
        const std::string text(filler % 4096 + 1, 'a');
        for (std::size_t done = 0; done < filler; done += text.size()) {
            const std::string_view piece = std::string_view(text).substr(0, filler - done);
            out.append(piece);
            expected += piece;
        }
        out.appendInteger(lowest);
        expected += std::to_string(lowest);
        out.append(',');
        expected += ',';
        out.appendInteger(42);
        expected += "42";
    }
    ASSERT_LE(largest, kChunk);
    const std::string huge(3 * kChunk + 5, 'h');
    out.append(huge);
    expected += huge;
    out.append('\n');
    expected += '\n';
    out.flush();
    out.flush();
    EXPECT_TRUE(written == expected) << written.size() << " " << expected.size();
}

}  // namespace
