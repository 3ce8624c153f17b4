#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/driver/RunDedb.h"

namespace {

namespace fs = std::filesystem;

// Every folder of tests/e2e and examples holding input.txt and expected.txt is one case.
std::vector<std::string> caseFolders() {
    std::vector<std::string> folders;
    for (const char* parent : {"tests/e2e", "examples"}) {
        const fs::path root = fs::path(DEDB_SOURCE_DIR) / parent;
        if (!fs::exists(root)) continue;
        for (const auto& entry : fs::directory_iterator(root)) {
            if (fs::exists(entry.path() / "input.txt") &&
                fs::exists(entry.path() / "expected.txt")) {
                folders.push_back(fs::relative(entry.path(), DEDB_SOURCE_DIR).string());
            }
        }
    }
    std::sort(folders.begin(), folders.end());
    return folders;
}

class EndToEnd : public testing::TestWithParam<std::string> {};

TEST_P(EndToEnd, OutputMatchesExpectedBytes) {
    const fs::path folder = fs::path(DEDB_SOURCE_DIR) / GetParam();
    const ScratchDirectory scratch;
    const std::string output = scratch.path("output.txt");
    const DedbRun run = runDedb({(folder / "input.txt").string(), output});
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(run.standardError, "");
    EXPECT_EQ(readFileBytes(output), readFileBytes((folder / "expected.txt").string()));
}

TEST_P(EndToEnd, EveryNumberOfThreadsGivesTheSameBytes) {
    const fs::path folder = fs::path(DEDB_SOURCE_DIR) / GetParam();
    const ScratchDirectory scratch;
    const std::string output = scratch.path("output.txt");
    const std::string expected = readFileBytes((folder / "expected.txt").string());
    for (const char* threads : {"1", "2", "3", "8"}) {
        const DedbRun run = runDedb({"-j", threads, (folder / "input.txt").string(), output});
        EXPECT_EQ(run.exitStatus, 0) << threads << " threads";
        EXPECT_EQ(readFileBytes(output), expected) << threads << " threads";
    }
}

std::string caseName(const testing::TestParamInfo<std::string>& info) {
    std::string name = info.param;
    std::replace_if(
        name.begin(), name.end(),
        [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
    return name;
}

INSTANTIATE_TEST_SUITE_P(Cases, EndToEnd, testing::ValuesIn(caseFolders()), caseName);

}  // namespace
