#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "tests/docs/ShellRun.h"
#include "tests/driver/RunDedb.h"

namespace {

const std::string kSource = DEDB_SOURCE_DIR;
// The documents show the profile of this example.
const char* const kExample = "examples/flights/input.txt";

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

bool isProfileStart(const std::string& line) {
    return line.rfind("line ", 0) == 0 && line.find(" combinations ") != std::string::npos;
}

// The blocks between the lines open and close whose first line is a profile's header.
std::vector<std::string> profileBlocks(const std::string& text, const std::string& open,
                                       const std::string& close) {
    std::vector<std::string> blocks;
    std::string block;
    bool isInside = false;
    for (const std::string& line : linesOf(text)) {
        if (!isInside) {
            isInside = line.rfind(open, 0) == 0;
            block.clear();
        } else if (line == close) {
            isInside = false;
            if (isProfileStart(block.substr(0, block.find('\n')))) blocks.push_back(block);
        } else {
            block += line + "\n";
        }
    }
    return blocks;
}

// The manual page's source as the page shows it, for the few escapes a profile needs.
std::string unescapedRoff(std::string text) {
    const std::pair<std::string, std::string> kEscapes[] = {
        {"\\-", "-"}, {"\\(aq", "'"}, {"\\[u2026]", "\xE2\x80\xA6"}, {"\\&", ""}, {"\\e", "\\"}};
    for (const auto& [escape, shown] : kEscapes) {
        for (std::size_t at = text.find(escape); at != std::string::npos;
             at = text.find(escape, at + shown.size())) {
            text.replace(at, escape.size(), shown);
        }
    }
    return text;
}

// A profile without what changes from run to run: every number with a decimal point (times
// and memory) is "#", and every run of blanks one blank, so that columns widened by a longer
// time do not count.
std::string withoutMeasurements(const std::string& profile) {
    std::string shown;
    for (const std::string& line : linesOf(profile)) {
        std::istringstream words(line);
        std::string kept;
        for (std::string word; words >> word;) {
            const bool isMeasured = word.find('.') != std::string::npos &&
                                    word.find_first_not_of("0123456789,.") == std::string::npos;
            if (!kept.empty()) kept += ' ';
            kept += isMeasured ? std::string("#") : word;
        }
        shown += kept + "\n";
    }
    return shown;
}

// What the documents show of dedb --profile is what it prints for the example, but for the
// times and the memory, which are the machine's.
TEST(ProfileExample, DocumentsShowWhatProfilePrints) {
    const ScratchDirectory scratch;
    const ShellRun run =
        runShell("cd " + shellQuoted(kSource) + " && " + shellQuoted(DEDB_BINARY) + " --profile " +
                 kExample + " " + shellQuoted(scratch.path("output.txt")));
    ASSERT_EQ(run.exitStatus, 0);
    const std::string expected = withoutMeasurements(run.standardError);
    const struct {
        const char* document;
        std::string open;
        std::string close;
    } kDocuments[] = {
        {"README.md", "```", "```"},
        {"docs/LANGUAGE.md", "```", "```"},
        {"docs/dedb.1", ".EX", ".EE"},
    };
    for (const auto& [document, open, close] : kDocuments) {
        std::string text = readFileBytes(kSource + "/" + document);
        if (open == ".EX") text = unescapedRoff(text);
        const std::vector<std::string> shown = profileBlocks(text, open, close);
        EXPECT_EQ(shown.size(), 1u) << document;
        for (const std::string& block : shown) {
            EXPECT_EQ(withoutMeasurements(block), expected) << document;
        }
    }
}

}  // namespace
