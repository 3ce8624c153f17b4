#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "tests/docs/MarkedBlocks.h"
#include "tests/docs/ShellRun.h"
#include "tests/driver/RunDedb.h"

namespace {

const std::string kSource = DEDB_SOURCE_DIR;

// Runs dedb --check on the input, saved as input.txt, from the folder that holds it, as the
// documents show it.
ShellRun checkInput(const std::string& input) {
    const ScratchDirectory scratch;
    writeFileBytes(scratch.path("input.txt"), input);
    return runShell("cd " + shellQuoted(scratch.path("")) + " && " + shellQuoted(DEDB_BINARY) +
                    " --check input.txt");
}

// A block marked "<!-- check: name -->" is an input and what --check prints for it.
TEST(CheckExamples, DocumentsShowWhatCheckPrints) {
    std::size_t shown = 0;
    for (const char* document : {"README.md", "docs/LANGUAGE.md"}) {
        const std::string text = readFileBytes(kSource + "/" + document);
        for (const MarkedBlocks& example : findMarkedBlocks(text, "check: ", 2)) {
            ++shown;
            ASSERT_EQ(example.problem, "") << document << " line " << example.line;
            const ShellRun run = checkInput(example.blocks[0]);
            EXPECT_EQ(run.standardOutput, example.blocks[1])
                << document << " line " << example.line;
            EXPECT_EQ(run.exitStatus, example.blocks[1].empty() ? 0 : 1)
                << document << " line " << example.line;
        }
    }
    EXPECT_GE(shown, 10u);
}

// The language reference shows odd input on purpose in these examples; every other one is
// well formed and must check clean, and these must not.
const std::set<std::string> kOddExamples = {
    "rules-without-relations",
    "head-variable-the-body-lacks",
    "several-bodies",
    "what-a-name-refers-to",
    "comparison-assigns-a-constant",
    "names-are-exact",
    "rule-lines-without-arrow-or-parenthesis",
    "head-without-closing-parenthesis",
    "body-ending-inside-an-element",
    "row-fields",
    "integer-fields",
    "second-empty-line",
};

TEST(CheckExamples, WellFormedExamplesCheckClean) {
    const std::string text = readFileBytes(kSource + "/docs/LANGUAGE.md");
    for (const MarkedBlocks& example : findMarkedBlocks(text, "example: ", 2)) {
        const std::string name = example.marker.substr(0, example.marker.find(','));
        const ShellRun run = checkInput(example.blocks.at(0));
        if (kOddExamples.count(name) != 0) {
            EXPECT_EQ(run.exitStatus, 1) << name;
        } else {
            EXPECT_EQ(run.exitStatus, 0) << name;
            EXPECT_EQ(run.standardOutput, "") << name;
        }
    }
    for (const auto& entry : std::filesystem::directory_iterator(kSource + "/examples")) {
        const std::string input = entry.path().string() + "/input.txt";
        if (!fileExists(input)) continue;
        const ShellRun run = checkInput(readFileBytes(input));
        EXPECT_EQ(run.exitStatus, 0) << input;
        EXPECT_EQ(run.standardOutput, "") << input;
    }
}

}  // namespace
