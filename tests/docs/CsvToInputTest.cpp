#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/docs/ShellRun.h"
#include "tests/driver/RunDedb.h"

namespace {

const std::string kFolder = std::string(DEDB_SOURCE_DIR) + "/examples/csv";

ShellRun toInput(const std::string& rules, const std::vector<std::string>& csvFiles) {
    std::vector<std::string> arguments = {kFolder + "/to-input.sh", rules};
    arguments.insert(arguments.end(), csvFiles.begin(), csvFiles.end());
    std::string command = "bash";
    for (const std::string& argument : arguments) {
        command += ' ';
        command += shellQuoted(argument);
    }
    return runShell(command);
}

// The committed input.txt is the script's work; the end-to-end test runs it.
TEST(CsvToInput, BuildsTheExampleInput) {
    const ShellRun run =
        toInput(kFolder + "/rules.txt", {kFolder + "/staff.csv", kFolder + "/offices.csv"});
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(run.standardError, "");
    EXPECT_EQ(run.standardOutput, readFileBytes(kFolder + "/input.txt"));
}

struct CsvCase {
    const char* what;
    const char* csv;
    const char* block;  // what follows the rule lines for a file named t.csv
};

TEST(CsvToInput, TurnsFieldsIntoIntegersOrQuotedStrings) {
    const std::vector<CsvCase> cases = {
        {"integers as written stay integers", "a,b\n12,-3\n007,1x\n",
         "\nt(a,b)\n12,-3\n007,'1x'\n"},
        {"the empty field is the empty string", "a,b\n,5\n", "\nt(a,b)\n'',5\n"},
        {"blanks are kept", "a, b\n 1,x \n", "\nt(a, b)\n' 1','x '\n"},
        {"CSV quotes go, doubled quotes stay single", "a\n\"say \"\"hi\"\"\"\n\"7\"\n",
         "\nt(a)\n'say \"hi\"'\n7\n"},
        {"single quotes need no care in rows", "a\nO'Brien\n", "\nt(a)\n'O'Brien'\n"},
        {"CR LF and empty lines", "a\r\n\r\n1\r\n\n2\n", "\nt(a)\n1\n2\n"},
        {"a header alone", "a,b\n", "\nt(a,b)\n"},
        {"an empty file", "", "\nt()\n"},
    };
    const ScratchDirectory scratch;
    writeFileBytes(scratch.path("rules.txt"), "r(X)<-t(X)\n\n");
    for (const CsvCase& test : cases) {
        writeFileBytes(scratch.path("t.csv"), test.csv);
        const ShellRun run = toInput(scratch.path("rules.txt"), {scratch.path("t.csv")});
        EXPECT_EQ(run.exitStatus, 0) << test.what;
        EXPECT_EQ(run.standardOutput, std::string("r(X)<-t(X)\n") + test.block) << test.what;
    }
}

// dedb splits rows at every comma, so such a field would silently become two.
TEST(CsvToInput, StopsOnFieldsThatCannotBeRows) {
    struct FailingCase {
        const char* what;
        const char* csv;
        const char* message;
    };
    const std::vector<FailingCase> cases = {
        {"a comma inside a field", "a,b\n\"x, y\",1\n", "t.csv:2: a comma inside a field"},
        {"a quote open at the line end", "a\n\"x\n", "t.csv:2: a quoted field runs past"},
    };
    const ScratchDirectory scratch;
    for (const FailingCase& test : cases) {
        writeFileBytes(scratch.path("t.csv"), test.csv);
        const ShellRun run = toInput("/dev/null", {scratch.path("t.csv")});
        EXPECT_EQ(run.exitStatus, 1) << test.what;
        EXPECT_NE(run.standardError.find(test.message), std::string::npos)
            << test.what << ": " << run.standardError;
    }
}

// An input cut short at a failure would still load, only without what follows the cut, so a
// failure in any input, however late, must leave standard output empty.
TEST(CsvToInput, WritesNothingWhenAnyInputFails) {
    struct FailingInput {
        const char* what;
        const char* rules;
        std::vector<std::string> csvFiles;
        const char* message;
        int exitStatus;  // 0 for any failure: awk gives its own status for a file it cannot open
    };
    const std::vector<FailingInput> cases = {
        {"a comma inside a field of the last file",
         "rules.txt",
         {"good.csv", "comma.csv"},
         "comma.csv:2: a comma inside a field",
         1},
        {"a quote open at the line end after good files",
         "rules.txt",
         {"good.csv", "good.csv", "open.csv"},
         "open.csv:3: a quoted field runs past",
         1},
        {"a bad field before a good file",
         "rules.txt",
         {"comma.csv", "good.csv"},
         "comma.csv:2",
         1},
        {"a missing last file", "rules.txt", {"good.csv", "missing.csv"}, "missing.csv", 0},
        {"a missing file between good ones",
         "rules.txt",
         {"good.csv", "missing.csv", "good.csv"},
         "missing.csv",
         0},
        {"a missing rules file", "missing.txt", {"good.csv"}, "missing.txt", 0},
    };
    const ScratchDirectory scratch;
    writeFileBytes(scratch.path("rules.txt"), "r(X)<-good(X)\n\n");
    writeFileBytes(scratch.path("good.csv"), "a\n1\n");
    writeFileBytes(scratch.path("comma.csv"), "a,b\n\"x, y\",1\n");
    writeFileBytes(scratch.path("open.csv"), "a\n1\n\"x\n");
    for (const FailingInput& test : cases) {
        std::vector<std::string> csvPaths;
        for (const std::string& file : test.csvFiles) csvPaths.push_back(scratch.path(file));
        const ShellRun run = toInput(scratch.path(test.rules), csvPaths);
        if (test.exitStatus == 0) {
            EXPECT_NE(run.exitStatus, 0) << test.what;
        } else {
            EXPECT_EQ(run.exitStatus, test.exitStatus) << test.what;
        }
        EXPECT_EQ(run.standardOutput, "") << test.what;
        EXPECT_NE(run.standardError.find(test.message), std::string::npos)
            << test.what << ": " << run.standardError;
    }
}

// Rules or CSV text may come from a pipe, which can be read only once.
TEST(CsvToInput, ReadsEachInputOnce) {
    const ScratchDirectory scratch;
    writeFileBytes(scratch.path("t.csv"), "a\n1\n");
    const ShellRun run =
        runShell("printf 'r(X)<-t(X)\\n\\n' | bash " + shellQuoted(kFolder + "/to-input.sh") +
                 " /dev/stdin " + shellQuoted(scratch.path("t.csv")));
    EXPECT_EQ(run.exitStatus, 0) << run.standardError;
    EXPECT_EQ(run.standardOutput, "r(X)<-t(X)\n\nt(a)\n1\n");
}

}  // namespace
