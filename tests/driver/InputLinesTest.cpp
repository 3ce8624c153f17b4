#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/InputLines.h"
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

// The lines of a text split whole, by the rules the reader keeps: a last line without a line
// end counts, and one carriage return before a line end is dropped.
std::vector<std::string> wholeTextLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        const std::size_t next = end == std::string::npos ? text.size() : end + 1;
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = next;
    }
    return lines;
}

std::vector<std::string> textLines(const std::string& text) {
    InputLines lines;
    lines.openText(text);
    std::vector<std::string> read;
    while (const auto line = lines.next()) read.emplace_back(*line);
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
        const std::vector<std::string> expected = wholeTextLines(text);
        EXPECT_EQ(streamedLines(scratch.path("in.txt")), expected) << text.size();
        EXPECT_EQ(textLines(text), expected) << text.size();
    }
}

TEST(InputLinesStream, DirectoryIsNotReadable) {
    const ScratchDirectory scratch;
    InputLines lines;
    EXPECT_FALSE(lines.open(scratch.path("").c_str()));
}

}  // namespace
