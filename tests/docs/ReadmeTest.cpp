#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/docs/MarkedBlocks.h"
#include "tests/driver/RunDedb.h"

namespace {

namespace fs = std::filesystem;

const std::string kSource = DEDB_SOURCE_DIR;

// A block marked "<!-- output of examples/NAME -->" shows what dedb writes for that example.
TEST(Readme, ShownOutputsAreTheExamplesOutputs) {
    const std::vector<MarkedBlocks> shown =
        findMarkedBlocks(readFileBytes(kSource + "/README.md"), "output of ", 1);
    ASSERT_FALSE(shown.empty());
    for (const MarkedBlocks& block : shown) {
        ASSERT_EQ(block.problem, "") << "README.md line " << block.line;
        const std::string expected = kSource + "/" + block.marker + "/expected.txt";
        ASSERT_TRUE(fileExists(expected)) << "README.md line " << block.line << ": " << expected;
        EXPECT_EQ(block.blocks[0], readFileBytes(expected)) << "README.md line " << block.line;
    }
}

TEST(Readme, LinksEveryExample) {
    const std::string readme = readFileBytes(kSource + "/README.md");
    for (const auto& entry : fs::directory_iterator(kSource + "/examples")) {
        if (!entry.is_directory()) continue;
        const std::string link = "](examples/" + entry.path().filename().string() + "/)";
        EXPECT_NE(readme.find(link), std::string::npos) << link;
    }
}

}  // namespace
