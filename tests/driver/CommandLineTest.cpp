#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "tests/driver/RunDedb.h"

namespace {

const std::string kBadArguments = "Nem megfelel\xF5 param\xE9terez\xE9s!\n";
const std::string kInputOpen = "Nem siker\xFClt az input file-t megnyitni.\n";
const std::string kOutputOpen = "Nem siker\xFClt az output file-t megnyitni.\n";
const std::string kOutputWrite = "Nem siker\xFClt az output file-t \xEDrni.\n";

const std::string kProgram = "p(X)<-e(X)\n\ne(A)\n1\n";
const std::string kProgramOutput = "p(X)<-e(X)\n\ne(A)\n1\n\np(X)\n1\n\n";

TEST(CommandLine, WrongArgumentsFailWithoutTouchingFiles) {
    const ScratchDirectory scratch;
    const std::string input = scratch.path("in.txt");
    const std::string output = scratch.path("out.txt");
    writeFileBytes(input, kProgram);
    const std::vector<std::vector<std::string>> cases = {
        {}, {input}, {input, output, output}, {"-x", input, output}, {"--check", input, output}};
    for (const auto& arguments : cases) {
        const DedbRun run = runDedb(arguments);
        EXPECT_EQ(run.exitStatus, 1) << arguments.size();
        EXPECT_EQ(run.standardError, kBadArguments) << arguments.size();
        EXPECT_FALSE(fileExists(output)) << arguments.size();
    }
}

TEST(CommandLine, UnreadableInputLeavesOutputAlone) {
    const ScratchDirectory scratch;
    const std::string output = scratch.path("out.txt");
    writeFileBytes(output, "keep me");
    for (const std::string& input : {scratch.path("missing.txt"), scratch.path("")}) {
        const DedbRun run = runDedb({input, output});
        EXPECT_EQ(run.exitStatus, 1) << input;
        EXPECT_EQ(run.standardError, kInputOpen) << input;
        EXPECT_EQ(readFileBytes(output), "keep me") << input;
    }
}

TEST(CommandLine, InputWithoutReadPermissionFails) {
    if (geteuid() == 0) GTEST_SKIP() << "root reads any file";
    const ScratchDirectory scratch;
    const std::string input = scratch.path("in.txt");
    writeFileBytes(input, kProgram);
    chmod(input.c_str(), 0);
    const DedbRun run = runDedb({input, scratch.path("out.txt")});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.standardError, kInputOpen);
    EXPECT_FALSE(fileExists(scratch.path("out.txt")));
}

TEST(CommandLine, OutputThatCannotBeOpenedFails) {
    const ScratchDirectory scratch;
    const std::string input = scratch.path("in.txt");
    writeFileBytes(input, kProgram);
    for (const std::string& output : {scratch.path("no/such/folder/out.txt"), scratch.path("")}) {
        const DedbRun run = runDedb({input, output});
        EXPECT_EQ(run.exitStatus, 1) << output;
        EXPECT_EQ(run.standardError, kOutputOpen) << output;
    }
    EXPECT_EQ(readFileBytes(input), kProgram);
}

TEST(CommandLine, FailedWriteIsReportedNotSuccess) {
    if (!fileExists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
    const ScratchDirectory scratch;
    const std::string input = scratch.path("in.txt");
    writeFileBytes(input, kProgram);
    const DedbRun run = runDedb({input, "/dev/full"});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.standardError, kOutputWrite);
}

TEST(CommandLine, OutputWithoutWritePermissionFails) {
    if (geteuid() == 0) GTEST_SKIP() << "root writes any file";
    const ScratchDirectory scratch;
    const std::string input = scratch.path("in.txt");
    const std::string output = scratch.path("out.txt");
    writeFileBytes(input, kProgram);
    writeFileBytes(output, "keep me");
    chmod(output.c_str(), 0444);
    const DedbRun run = runDedb({input, output});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.standardError, kOutputOpen);
    EXPECT_EQ(readFileBytes(output), "keep me");
}

TEST(CommandLine, OutputNamingTheInputKeepsTheInputInTheEcho) {
    const ScratchDirectory scratch;
    const std::string input = scratch.path("in.txt");
    writeFileBytes(input, kProgram);
    const DedbRun run = runDedb({input, input});
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(run.standardError, "");
    EXPECT_EQ(readFileBytes(input), kProgramOutput);
}

TEST(CommandLine, SuccessfulRunWritesEchoAndResult) {
    const ScratchDirectory scratch;
    const std::string input = scratch.path("in.txt");
    const std::string output = scratch.path("out.txt");
    writeFileBytes(input, kProgram);
    writeFileBytes(output, "old contents that must go");
    const DedbRun run = runDedb({input, output});
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(readFileBytes(output), kProgramOutput);
}

}  // namespace
