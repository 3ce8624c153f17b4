#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <string_view>

#include "driver/OutputChunks.h"

namespace {

// Whatever the pieces and wherever a chunk fills, the bytes handed over are the bytes appended,
// and only text as long as a chunk goes out in a piece larger than one: with the file's chunks,
// the smaller ones of the threads that format blocks of rows, and chunks hardly longer than an
// integer.
void expectAppendedBytes(std::size_t chunkBytes) {
    std::string written;
    std::size_t largest = 0;
    const std::function<void(std::string_view)> write = [&](std::string_view piece) {
        written += piece;
        if (piece.size() > largest) largest = piece.size();
    };
    std::string expected;
    OutputChunks out(write, chunkBytes);
    const std::int64_t lowest = std::numeric_limits<std::int64_t>::min();
    for (const std::size_t filler :
         {chunkBytes - 1, chunkBytes - 19, chunkBytes - 20, chunkBytes - 21, std::size_t{7}}) {
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
    ASSERT_LE(largest, chunkBytes);
    const std::string huge(3 * chunkBytes + 5, 'h');
    out.append(huge);
    expected += huge;
    out.append('\n');
    expected += '\n';
    out.flush();
    out.flush();
    EXPECT_TRUE(written == expected) << written.size() << " " << expected.size();
}

TEST(OutputChunksBytes, AreTheAppendedBytesAcrossChunkEnds) {
    for (const std::size_t chunkBytes :
         {OutputChunks::kChunkSize, std::size_t{1} << 14, std::size_t{24}}) {
        SCOPED_TRACE(chunkBytes);
        expectAppendedBytes(chunkBytes);
    }
}

}  // namespace
