#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <ostream>
#include <string>
#include <vector>

#include "tests/docs/MarkedBlocks.h"
#include "tests/driver/RunDedb.h"

// gtest shows a parameter it cannot print as raw bytes, heap addresses included, and ctest builds
// each test's name from what gtest shows, so the name would change from run to run. Outside the
// unnamed namespace, next to MarkedBlocks, where gtest looks for it.
void PrintTo(const MarkedBlocks& example, std::ostream* out) { *out << example.marker; }

namespace {

// Each example of the language reference is an input block and an output block. The output block
// is what follows the echo (the input and one empty line), or, marked ", whole output", the
// whole output file.
const char* const kReference = "docs/LANGUAGE.md";
const std::string kWholeOutput = ", whole output";

std::string referenceText() {
    return readFileBytes(std::string(DEDB_SOURCE_DIR) + "/" + kReference);
}

std::vector<MarkedBlocks> referenceExamples() {
    return findMarkedBlocks(referenceText(), "example: ", 2);
}

bool isWholeOutput(const MarkedBlocks& example) {
    const std::string& marker = example.marker;
    return marker.size() > kWholeOutput.size() &&
           marker.compare(marker.size() - kWholeOutput.size(), kWholeOutput.size(), kWholeOutput) ==
               0;
}

std::string exampleName(const MarkedBlocks& example) {
    return isWholeOutput(example)
               ? example.marker.substr(0, example.marker.size() - kWholeOutput.size())
               : example.marker;
}

TEST(LanguageReference, ExamplesAreMarkedReadably) {
    const std::string text = referenceText();
    const std::vector<MarkedBlocks> examples = referenceExamples();
    // A misspelt marker would drop its example silently; every comment must be one.
    std::size_t comments = 0;
    for (std::size_t at = text.find("<!--"); at != std::string::npos;
         at = text.find("<!--", at + 1)) {
        ++comments;
    }
    const std::size_t checks = findMarkedBlocks(text, "check: ", 2).size();
    const std::size_t explanations = findMarkedBlocks(text, "explain: ", 2).size();
    EXPECT_EQ(comments, examples.size() + checks + explanations);
    EXPECT_GE(examples.size(), 20u);
    // Names become test names; gtest itself stops on two equal ones.
    for (const MarkedBlocks& example : examples) {
        const std::string name = exampleName(example);
        const bool isReadable = !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
            return std::islower(static_cast<unsigned char>(c)) ||
                   std::isdigit(static_cast<unsigned char>(c)) || c == '-';
        });
        EXPECT_TRUE(isReadable) << "line " << example.line << ": name '" << name
                                << "' should be lower-case words joined by '-'";
    }
}

class DocumentedExample : public testing::TestWithParam<MarkedBlocks> {};

TEST_P(DocumentedExample, MatchesTheProgram) {
    const MarkedBlocks& example = GetParam();
    ASSERT_EQ(example.problem, "") << kReference << " line " << example.line;
    const std::string& input = example.blocks[0];
    const std::string& shown = example.blocks[1];
    const ScratchDirectory scratch;
    writeFileBytes(scratch.path("input.txt"), input);
    const DedbRun run = runDedb({scratch.path("input.txt"), scratch.path("output.txt")});
    ASSERT_EQ(run.exitStatus, 0);
    EXPECT_EQ(run.standardError, "");
    std::string output = readFileBytes(scratch.path("output.txt"));
    if (!isWholeOutput(example)) {
        const std::string echo = input + "\n";
        ASSERT_EQ(output.substr(0, echo.size()), echo)
            << kReference << " line " << example.line
            << ": the echo is not the input and an empty line; show the whole output and mark "
               "the example \""
            << kWholeOutput << "\"";
        output.erase(0, echo.size());
    }
    EXPECT_EQ(output, shown) << kReference << " line " << example.line;
}

std::string testName(const testing::TestParamInfo<MarkedBlocks>& info) {
    std::string name = exampleName(info.param);
    std::replace_if(
        name.begin(), name.end(),
        [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
    return name.empty() ? "line_" + std::to_string(info.param.line) : name;
}

INSTANTIATE_TEST_SUITE_P(LanguageReference, DocumentedExample,
                         testing::ValuesIn(referenceExamples()), testName);

}  // namespace
