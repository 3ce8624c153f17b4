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

using Mode = CommandLine::Mode;

struct ParseCase {
    std::vector<std::string> arguments;
    Mode mode;
    std::string input;
    std::string output;
};

// Each mode takes its own operands; anything else is a bad command line. A lone "-" is a file
// name, and "--" lets a file name start with "-".
TEST(CommandLineParse, PicksTheModeAndItsFiles) {
    const std::vector<ParseCase> cases = {
        {{"in", "out"}, Mode::Run, "in", "out"},
        {{"-", "out"}, Mode::Run, "-", "out"},
        {{"--", "-x", "out"}, Mode::Run, "-x", "out"},
        {{"--", "--check", "out"}, Mode::Run, "--check", "out"},
        {{"in", "--", "out"}, Mode::Run, "in", "out"},
        {{"--check", "in"}, Mode::Check, "in", ""},
        {{"in", "--check"}, Mode::Check, "in", ""},
        {{"--help"}, Mode::Help, "", ""},
        {{"-h"}, Mode::Help, "", ""},
        {{"--version"}, Mode::Version, "", ""},
        {{}, Mode::Invalid, "", ""},
        {{"in"}, Mode::Invalid, "", ""},
        {{"in", "out", "more"}, Mode::Invalid, "", ""},
        {{"-x", "in", "out"}, Mode::Invalid, "", ""},
        {{"in", "out", "--unknown"}, Mode::Invalid, "", ""},
        {{"--check"}, Mode::Invalid, "", ""},
        {{"--check", "in", "out"}, Mode::Invalid, "", ""},
        {{"--check=yes", "in"}, Mode::Invalid, "", ""},
        {{"--help", "in"}, Mode::Invalid, "", ""},
        {{"--help", "--version"}, Mode::Invalid, "", ""},
        {{"--profile", "in", "out"}, Mode::Profile, "in", "out"},
        {{"in", "out", "--profile"}, Mode::Profile, "in", "out"},
        {{"--profile", "in"}, Mode::Invalid, "", ""},
        {{"--profile", "--check", "in"}, Mode::Invalid, "", ""},
        {{"--explain", "p(1)", "in"}, Mode::Explain, "in", ""},
        {{"--explain-json", "p(1)", "in"}, Mode::Explain, "in", ""},
        {{"--explain", "p(1)"}, Mode::Invalid, "", ""},
        {{"--explain", "p(1)", "in", "out"}, Mode::Invalid, "", ""},
        {{"--explain", "p(1)", "--explain", "p(2)", "in"}, Mode::Invalid, "", ""},
        {{"--explain", "p(1)", "--profile", "in"}, Mode::Invalid, "", ""},
        {{"--depth", "2", "in", "out"}, Mode::Invalid, "", ""},
    };
    for (const ParseCase& c : cases) {
        const CommandLine line = parse(c.arguments);
        const std::string label = testing::PrintToString(c.arguments);
        EXPECT_EQ(line.mode, c.mode) << label;
        EXPECT_EQ(line.input, c.input) << label;
        EXPECT_EQ(line.output, c.output) << label;
    }
}

TEST(CommandLineParse, ReadsTheNumberOfThreads) {
    const std::vector<std::pair<std::vector<std::string>, std::size_t>> accepted = {
        {{"in", "out"}, 0},
        {{"-j", "2", "in", "out"}, 2},
        {{"-j3", "in", "out"}, 3},
        {{"--jobs=8", "in", "out"}, 8},
        {{"in", "out", "--jobs", "1"}, 1},
        {{"-j", "4096", "in", "out"}, 4096},
    };
    for (const auto& [arguments, jobs] : accepted) {
        const CommandLine line = parse(arguments);
        EXPECT_EQ(line.mode, Mode::Run) << testing::PrintToString(arguments);
        EXPECT_EQ(line.jobs, jobs) << testing::PrintToString(arguments);
    }
    // A count that is not a whole number from 1 up is a wrong command line, not a default.
    for (const char* count : {"0", "-1", "+2", "2x", "", " 2", "4097", "99999999999999999999"}) {
        EXPECT_EQ(parse({"-j", count, "in", "out"}).mode, Mode::Invalid) << count;
    }
    EXPECT_EQ(parse({"in", "out", "-j"}).mode, Mode::Invalid);
}

}  // namespace

// The row to explain is taken as written, blanks and all; --depth counts levels from 1.
TEST(CommandLineParse, ReadsTheRowToExplainAndHowDeep) {
    const CommandLine line = parse({"--explain", "path(1, 'a b')", "--depth", "3", "in"});
    EXPECT_EQ(line.mode, Mode::Explain);
    EXPECT_EQ(line.row, "path(1, 'a b')");
    EXPECT_FALSE(line.isJson);
    EXPECT_EQ(line.depth, 3U);
    const CommandLine json = parse({"--explain-json=p(1)", "in"});
    EXPECT_TRUE(json.isJson);
    EXPECT_EQ(json.row, "p(1)");
    EXPECT_EQ(json.depth, 0U);
    for (const char* depth : {"0", "-1", "x", ""}) {
        EXPECT_EQ(parse({"--explain", "p(1)", "--depth", depth, "in"}).mode, Mode::Invalid)
            << depth;
    }
}
