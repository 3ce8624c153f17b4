#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/InputText.h"
#include "tests/driver/RunDedb.h"

namespace {

constexpr std::size_t kMegabyte = 1 << 20;

std::vector<std::string> streamedLines(const std::string& path) {
    InputLines lines;
    EXPECT_TRUE(lines.open(path.c_str()));
    std::vector<std::string> read;
    while (const auto line = lines.next()) read.emplace_back(*line);
    EXPECT_FALSE(lines.isFailed());
    return read;
}

std::string manyLines() {
    std::string text;
    for (std::size_t i = 0; text.size() < 3 * kMegabyte; ++i) {
        text += std::string(i % 997, static_cast<char>('a' + i % 26));
        text += i % 3 == 0 ? "\r\n" : "\n";
    }
    return text;
}

// Lines read in chunks are the lines of the whole text, wherever a chunk happens to end.
TEST(InputLinesStream, GivesTheLinesOfTheWholeText) {
    const std::vector<std::string> texts = {
        "",
        "a",
        "a\n",
        "a\r\n\r\nb",
        "\n\n",
        std::string(kMegabyte - 1, 'x') + "\r\nnext\n",  // CR and LF in different chunks
        std::string(kMegabyte, 'y') + "\nnext",          // a line end right after a chunk
        std::string(3 * kMegabyte + 5, 'z'),             // one line longer than a chunk
        manyLines(),
    };
    for (const std::string& text : texts) {
        const ScratchDirectory scratch;
        writeFileBytes(scratch.path("in.txt"), text);
        const std::vector<std::string_view> views = splitLines(text);
        const std::vector<std::string> expected(views.begin(), views.end());
        EXPECT_EQ(streamedLines(scratch.path("in.txt")), expected) << text.size();
    }
}

TEST(InputLinesStream, DirectoryIsNotReadable) {
    const ScratchDirectory scratch;
    InputLines lines;
    EXPECT_FALSE(lines.open(scratch.path("").c_str()));
}

}  // namespace
