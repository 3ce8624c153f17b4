#include <gtest/gtest.h>

#include <string>

#include "tests/docs/ShellRun.h"
#include "tests/driver/RunDedb.h"

namespace {

const std::string kDedb = DEDB_BINARY;

// Runs dedb in the scratch folder with the arguments as written there.
ShellRun runIn(const ScratchDirectory& scratch, const std::string& arguments) {
    return runShell("cd " + shellQuoted(scratch.path("")) + " && " + shellQuoted(kDedb) + " " +
                    arguments);
}

TEST(CheckMode, ExitStatusSaysWhatWasFound) {
    const ScratchDirectory scratch;
    writeFileBytes(scratch.path("clean.txt"), "p(X)<-e(X)\n\ne(A)\n1\n");
    writeFileBytes(scratch.path("mistake.txt"), "p(X)<-E(X)\n\ne(A)\n1\n");
    const ShellRun clean = runIn(scratch, "--check clean.txt");
    EXPECT_EQ(clean.exitStatus, 0);
    EXPECT_EQ(clean.standardOutput, "");
    EXPECT_EQ(clean.standardError, "");
    const ShellRun mistake = runIn(scratch, "--check mistake.txt");
    EXPECT_EQ(mistake.exitStatus, 1);
    EXPECT_EQ(mistake.standardOutput,
              "mistake.txt:1:7: warning: `E` is neither a stored relation nor a rule, so this "
              "body gives no rows\n"
              "mistake.txt:1:7: note: did you mean `e`?\n");
    EXPECT_EQ(mistake.standardError, "");
    EXPECT_FALSE(fileExists(scratch.path("out.txt")));
}

TEST(CheckMode, UnreadableInputNamesTheFileAndTheReason) {
    const ScratchDirectory scratch;
    const ShellRun missing = runIn(scratch, "--check missing.txt");
    EXPECT_EQ(missing.exitStatus, 2);
    EXPECT_EQ(missing.standardOutput, "");
    EXPECT_EQ(missing.standardError, "dedb: missing.txt: No such file or directory\n");
    const ShellRun folder = runIn(scratch, "--check .");
    EXPECT_EQ(folder.exitStatus, 2);
    EXPECT_EQ(folder.standardError, "dedb: .: Is a directory\n");
}

TEST(CheckMode, HelpAndVersionGoToStandardOutput) {
    const ScratchDirectory scratch;
    for (const char* option : {"--help", "-h"}) {
        const ShellRun help = runIn(scratch, option);
        EXPECT_EQ(help.exitStatus, 0) << option;
        EXPECT_EQ(help.standardOutput.rfind("Usage: dedb [-j N] [--profile] INPUT OUTPUT\n", 0), 0u) << option;
        EXPECT_NE(help.standardOutput.find("--check"), std::string::npos) << option;
        EXPECT_EQ(help.standardError, "") << option;
    }
    const ShellRun version = runIn(scratch, "--version");
    EXPECT_EQ(version.exitStatus, 0);
    EXPECT_EQ(version.standardOutput, "dedb " DEDB_VERSION_TEXT "\n");
}

// "--" ends the options, so a file may be named like one.
TEST(CheckMode, DoubleDashReadsAFileNamedLikeAnOption) {
    const ScratchDirectory scratch;
    writeFileBytes(scratch.path("--check"), "p(X)<-e(X)\n\ne(A)\n1\n");
    const ShellRun run = runIn(scratch, "-- --check out.txt");
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(readFileBytes(scratch.path("out.txt")), "p(X)<-e(X)\n\ne(A)\n1\n\np(X)\n1\n\n");
    const ShellRun unknown = runIn(scratch, "--chek in.txt");
    EXPECT_EQ(unknown.exitStatus, 1);
    EXPECT_EQ(unknown.standardError, "Nem megfelel\xF5 param\xE9terez\xE9s!\n");
}

}  // namespace
