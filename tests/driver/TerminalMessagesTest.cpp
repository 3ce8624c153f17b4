#include <gtest/gtest.h>

#include <string>

#include "tests/docs/ShellRun.h"
#include "tests/driver/RunDedb.h"

namespace {

// What a person sees when dedb runs in the scratch folder with a terminal (a pseudo-terminal
// made by script) as its standard error, under the given locale; line ends as written.
ShellRun runOnTerminal(const ScratchDirectory& scratch, const std::string& locale,
                       const std::string& arguments) {
    const std::string command =
        "cd " + shellQuoted(scratch.path("")) + " && " + shellQuoted(DEDB_BINARY) + " " + arguments;
    ShellRun run = runShell("env LC_ALL= LC_MESSAGES= LANG=" + locale + " script -qec " +
                            shellQuoted(command) + " /dev/null");
    std::string seen;
    for (const char c : run.standardOutput) {
        if (c != '\r') seen += c;
    }
    run.standardOutput = seen;
    return run;
}

bool hasScript() { return runShell("command -v script").exitStatus == 0; }

TEST(TerminalMessages, AreUtf8WithTheReasonWhenTheLocaleIs) {
    if (!hasScript()) GTEST_SKIP() << "script is not installed";
    const ScratchDirectory scratch;
    EXPECT_EQ(runOnTerminal(scratch, "C.UTF-8", "missing.txt out.txt").standardOutput,
              "Nem siker\xC3\xBClt az input file-t megnyitni.\n"
              "missing.txt: No such file or directory\n");
    EXPECT_EQ(runOnTerminal(scratch, "C.UTF-8", "only-one").standardOutput,
              "Nem megfelel\xC5\x91 param\xC3\xA9terez\xC3\xA9s!\n");
    // Without UTF-8 in the locale the message stays as it always was.
    EXPECT_EQ(runOnTerminal(scratch, "C", "missing.txt out.txt").standardOutput,
              "Nem siker\xFClt az input file-t megnyitni.\n");
}

TEST(TerminalMessages, ARunWithFindingsSaysHowManyAndWhereToSeeThem) {
    if (!hasScript()) GTEST_SKIP() << "script is not installed";
    const ScratchDirectory scratch;
    writeFileBytes(scratch.path("in.txt"), "p(X)<-E(X)\nq(X)<-e(X)\n\ne(A)\n1\n2.5\n");
    writeFileBytes(scratch.path("clean.txt"), "p(X)<-e(X)\n\ne(A)\n1\n");
    EXPECT_EQ(runOnTerminal(scratch, "C", "in.txt out.txt").standardOutput,
              "dedb: in.txt: 2 findings; 'dedb --check in.txt' lists them\n");
    EXPECT_EQ(readFileBytes(scratch.path("out.txt")),
              "p(X)<-E(X)\nq(X)<-e(X)\n\ne(A)\n1\n2.5\n\np(X)\n\nq(X)\n1\n2\n\n");
    EXPECT_EQ(runOnTerminal(scratch, "C", "clean.txt out.txt").standardOutput, "");
    // Not on a terminal, the run says nothing.
    const DedbRun quiet = runDedb({scratch.path("in.txt"), scratch.path("out.txt")});
    EXPECT_EQ(quiet.exitStatus, 0);
    EXPECT_EQ(quiet.standardError, "");
}

// Rows are read on every thread; those not read as written still reach the checks, each against
// its own relation's header, however the lines are shared out.
TEST(TerminalMessages, RowFindingsAreTheSameOnAnyNumberOfThreads) {
    if (!hasScript()) GTEST_SKIP() << "script is not installed";
    const ScratchDirectory scratch;
    std::string input = "p(X)<-e(X,Y)\n\ne(A,B)\n";
    for (int i = 0; i < 40000; ++i) {
        input += i % 1000 == 0 ? "1,2.5\n" : std::to_string(i) + "," + std::to_string(i % 9) + "\n";
    }
    // The last row of e has a column too many for e, not for f after it.
    input += "1,2,3\n\nf(A,B,C)\n1,2,3\n4,5\n";
    writeFileBytes(scratch.path("in.txt"), input);
    const std::string expected = "dedb: in.txt: 42 findings; 'dedb --check in.txt' lists them\n";
    for (const char* jobs : {"1", "2", "3"}) {
        EXPECT_EQ(runOnTerminal(scratch, "C", std::string("-j ") + jobs + " in.txt out.txt")
                      .standardOutput,
                  expected)
            << jobs;
    }
}

}  // namespace
