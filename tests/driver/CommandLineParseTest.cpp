#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/CommandLine.h"

namespace {

CommandLine parse(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "dedb");
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    return CommandLine::parse(static_cast<int>(arguments.size()), argv.data());
}

struct ParseCase {
    std::vector<std::string> arguments;
    bool isRun;
    std::string input;
    std::string output;
};

// Only the plain run is known; anything else is a bad command line. A lone "-" is a file name,
// and "--" lets a file name start with "-".
TEST(CommandLineParse, KnowsThePlainRunAndNothingElse) {
    const std::vector<ParseCase> cases = {
        {{"in", "out"}, true, "in", "out"},
        {{"-", "out"}, true, "-", "out"},
        {{"--", "-x", "out"}, true, "-x", "out"},
        {{"in", "--", "out"}, true, "in", "out"},
        {{}, false, "", ""},
        {{"in"}, false, "", ""},
        {{"in", "out", "more"}, false, "", ""},
        {{"-x", "in", "out"}, false, "", ""},
        {{"in", "out", "--unknown"}, false, "", ""},
    };
    for (const ParseCase& c : cases) {
        const CommandLine line = parse(c.arguments);
        const std::string label = testing::PrintToString(c.arguments);
        EXPECT_EQ(line.mode == CommandLine::Mode::Run, c.isRun) << label;
        EXPECT_EQ(line.input, c.input) << label;
        EXPECT_EQ(line.output, c.output) << label;
    }
}

}  // namespace
