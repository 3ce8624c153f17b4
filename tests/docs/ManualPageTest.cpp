#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "driver/Messages.h"
#include "tests/docs/ShellRun.h"

namespace {

// Every message the program writes; the manual page must show each one.
const std::vector<std::pair<const char*, const char*>> kMessages = {
    {"bad arguments", kBadArgumentsMessage}, {"input open", kInputOpenMessage},
    {"output open", kOutputOpenMessage},     {"output write", kOutputWriteMessage},
    {"out of memory", kOutOfMemoryMessage},
};

const std::string kPage = std::string(DEDB_SOURCE_DIR) + "/docs/dedb.1";

bool hasGroff() { return runShell("command -v groff").exitStatus == 0; }

void appendUtf8(std::string& text, std::uint32_t code) {
    if (code < 0x80) {
        text += static_cast<char>(code);
    } else {
        text += static_cast<char>(0xC0 | (code >> 6));
        text += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// The messages are code page 1250 bytes; the rendered page is UTF-8. Covers the Hungarian
// letters, which is all the messages use.
std::string utf8FromCodePage1250(const std::string& bytes) {
    static const std::vector<std::pair<unsigned char, std::uint32_t>> kLetters = {
        {0xC1, 0xC1}, {0xC9, 0xC9}, {0xCD, 0xCD},  {0xD3, 0xD3}, {0xD6, 0xD6}, {0xD5, 0x150},
        {0xDA, 0xDA}, {0xDC, 0xDC}, {0xDB, 0x170}, {0xE1, 0xE1}, {0xE9, 0xE9}, {0xED, 0xED},
        {0xF3, 0xF3}, {0xF6, 0xF6}, {0xF5, 0x151}, {0xFA, 0xFA}, {0xFC, 0xFC}, {0xFB, 0x171}};
    std::string text;
    for (char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            text += c;
            continue;
        }
        bool isKnown = false;
        for (const auto& [from, code] : kLetters) {
            if (from == byte) {
                appendUtf8(text, code);
                isKnown = true;
            }
        }
        EXPECT_TRUE(isKnown) << "no UTF-8 for byte " << static_cast<int>(byte);
    }
    return text;
}

// Rendered text with every run of blanks and line ends as one blank, and the hyphen and minus
// glyphs some devices print for "-" as "-".
std::string normalized(const std::string& rendered) {
    std::string text;
    for (std::size_t i = 0; i < rendered.size(); ++i) {
        const char c = rendered[i];
        if (rendered.compare(i, 3, "\xE2\x80\x90") == 0 ||
            rendered.compare(i, 3, "\xE2\x88\x92") == 0) {
            text += '-';
            i += 2;
        } else if (c == ' ' || c == '\n') {
            if (!text.empty() && text.back() != ' ') text += ' ';
        } else {
            text += c;
        }
    }
    return text;
}

TEST(ManualPage, RendersWithoutWarnings) {
    if (!hasGroff()) GTEST_SKIP() << "groff is not installed";
    const ShellRun run = runShell("groff -man -Tutf8 -ww -z " + shellQuoted(kPage));
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(run.standardError, "");
}

TEST(ManualPage, ShowsEveryMessageOfTheProgram) {
    if (!hasGroff()) GTEST_SKIP() << "groff is not installed";
    // -P-cbou: plain text, without bold, underline or colour.
    const ShellRun run = runShell("groff -man -Tutf8 -P-cbou " + shellQuoted(kPage));
    ASSERT_EQ(run.exitStatus, 0);
    const std::string page = normalized(run.standardOutput);
    for (const auto& [situation, message] : kMessages) {
        const std::string shown = utf8FromCodePage1250(message);
        EXPECT_NE(page.find(shown), std::string::npos) << situation << ": " << shown;
    }
}

}  // namespace
