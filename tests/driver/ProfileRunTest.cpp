#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tests/driver/RunDedb.h"

namespace {

std::uint64_t numberOf(const std::string& grouped) {
    std::string digits;
    for (const char c : grouped) {
        if (c != ',') digits += c;
    }
    return std::stoull(digits);
}

// The rows of one section of a profile: the lines after the one that starts with header, up to
// an empty line, each split at its blanks.
std::vector<std::vector<std::string>> sectionOf(const std::string& profile,
                                                const std::string& header) {
    std::vector<std::vector<std::string>> rows;
    bool isInside = false;
    for (const std::string& line : linesOf(profile)) {
        if (!isInside) {
            isInside = line.rfind(header, 0) == 0;
            continue;
        }
        if (line.empty()) break;
        std::istringstream words(line);
        std::vector<std::string>& row = rows.emplace_back();
        for (std::string word; words >> word;) row.push_back(word);
    }
    return rows;
}

// The row lines of each derived relation in an output whose echo is the input and an empty
// line.
std::map<std::string, std::uint64_t> rowLinesOf(const std::string& output,
                                                const std::string& input) {
    std::map<std::string, std::uint64_t> counts;
    if (output.compare(0, input.size() + 1, input + "\n") != 0) {
        ADD_FAILURE() << "the output does not start with the echo";
        return counts;
    }
    std::string name;
    for (const std::string& line : linesOf(output.substr(input.size() + 1))) {
        if (line.empty()) {
            name.clear();
        } else if (name.empty()) {
            name = line.substr(0, line.find('('));
            counts[name] = 0;
        } else {
            ++counts[name];
        }
    }
    return counts;
}

// A closure large enough that passes are shared among threads: 150 nodes, each with two edges.
std::string largerClosure() {
    std::string input =
        "path(X,Y)<-edge(X,Y)\npath(X,Y)<-path(X,Z),edge(Z,Y)\n"
        "pair(X,Y)<-path(X,Y),path(Y,X),X<Y\npair(X,Y)<-edge(X,Y),edge(Y,X)\n\nedge(A,B)\n";
    for (int node = 0; node < 150; ++node) {
        input += std::to_string(node) + "," + std::to_string((node + 1) % 150) + "\n";
        input += std::to_string(node) + "," + std::to_string((node * 7 + 3) % 150) + "\n";
    }
    return input;
}

struct ProfiledProgram {
    std::string name;
    std::string input;
};

std::vector<ProfiledProgram> programs() {
    std::vector<ProfiledProgram> list = {{"larger-closure", largerClosure()}};
    for (const char* folder :
         {"examples/family", "examples/bill-of-materials", "examples/flights", "examples/points-to",
          "examples/access-control", "tests/e2e/mutual-recursion",
          "tests/e2e/duplicates-across-bodies", "tests/e2e/non-linear-recursion-finds-all-pairs",
          "tests/e2e/rules-read-relations-that-change-at-different-times"}) {
        list.push_back(
            {folder, readFileBytes(std::string(DEDB_SOURCE_DIR) + "/" + folder + "/input.txt")});
    }
    return list;
}

// A profiled run writes what a plain run does, and its counts are the output's: each rule's
// rows are its row lines, each rule line's rows add up to them, and no rule line derived more
// rows than it produced combinations.
TEST(ProfileRun, RowCountsAreTheOutputsOnAnyNumberOfThreads) {
    for (const ProfiledProgram& program : programs()) {
        SCOPED_TRACE(program.name);
        const ScratchDirectory scratch;
        writeFileBytes(scratch.path("input.txt"), program.input);
        const DedbRun plain = runDedb({scratch.path("input.txt"), scratch.path("plain.txt")});
        ASSERT_EQ(plain.exitStatus, 0);
        const std::string expected = readFileBytes(scratch.path("plain.txt"));
        const std::map<std::string, std::uint64_t> rowLines = rowLinesOf(expected, program.input);
        for (const char* threads : {"1", "3"}) {
            SCOPED_TRACE(std::string("-j ") + threads);
            const DedbRun run = runDedb({"--profile", "-j", threads, scratch.path("input.txt"),
                                         scratch.path("profiled.txt")});
            ASSERT_EQ(run.exitStatus, 0);
            EXPECT_EQ(readFileBytes(scratch.path("profiled.txt")), expected);

            std::map<std::string, std::uint64_t> ruleRows;
            std::uint64_t total = 0;
            for (const std::vector<std::string>& row : sectionOf(run.standardError, "rule  ")) {
                ASSERT_GE(row.size(), 2u);
                ruleRows[row[0]] = numberOf(row[1]);
                total += numberOf(row[1]);
            }
            EXPECT_EQ(ruleRows, rowLines);

            std::uint64_t lineTotal = 0;
            for (const std::vector<std::string>& row : sectionOf(run.standardError, "line  ")) {
                ASSERT_GE(row.size(), 5u);
                lineTotal += numberOf(row[1]);
                EXPECT_LE(numberOf(row[1]), numberOf(row[2])) << "line " << row[0];
            }
            EXPECT_EQ(lineTotal, total);
            const std::size_t derived = run.standardError.find("\nrows derived ");
            ASSERT_NE(derived, std::string::npos);
            std::istringstream words(run.standardError.substr(derived + 14));
            std::string count;
            words >> count;
            EXPECT_EQ(numberOf(count), total);
        }
    }
}

// A run that fails fails the same way with --profile: the same message and status, and no
// table.
TEST(ProfileRun, FailsLikeAPlainRun) {
    const ScratchDirectory scratch;
    writeFileBytes(scratch.path("input.txt"), "p(X)<-e(X)\n\ne(A)\n1\n");
    const std::vector<std::vector<std::string>> kOperands = {
        {scratch.path("missing.txt"), scratch.path("out.txt")},
        {scratch.path("input.txt"), scratch.path("no-folder/out.txt")},
        {scratch.path("input.txt"), scratch.path("")},
        {scratch.path("input.txt")},
    };
    for (const std::vector<std::string>& operands : kOperands) {
        SCOPED_TRACE(operands.back());
        const DedbRun plain = runDedb(operands);
        std::vector<std::string> profiled = {"--profile"};
        profiled.insert(profiled.end(), operands.begin(), operands.end());
        const DedbRun run = runDedb(profiled);
        EXPECT_EQ(plain.exitStatus, 1);
        EXPECT_EQ(run.exitStatus, plain.exitStatus);
        EXPECT_EQ(run.standardError, plain.standardError);
    }
}

}  // namespace
