#include <gtest/gtest.h>

#include <cstddef>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "data/RelationTable.h"
#include "driver/RuleListBuilder.h"
#include "driver/RunProfile.h"
#include "tests/driver/RunDedb.h"

namespace {

// A profile that has read the rule lines, numbered from 1, and heard nothing else yet.
struct ReadProfile {
    explicit ReadProfile(const std::vector<std::string>& ruleLines) {
        RuleListBuilder builder;
        for (std::size_t i = 0; i < ruleLines.size(); ++i) {
            builder.addLine(ruleLines[i], i + 1);
            profile.ruleLine(ruleLines[i], i + 1);
        }
        rules = builder.take();
        profile.readingEnded(rules);
    }
    std::vector<std::pair<std::string, Rule>> rules;
    RunProfile profile;
    RelationTable table{"unused"};
};

TEST(RunProfileTable, SumsPerRuleLineInInputOrderWithColumnsAligned) {
    // q's second body stands on line 3, after p's only one.
    ReadProfile read({"q(X)<-e(X)", "p(X)<-q(X)", "q(X)<-f(X),X>1"});
    RunProfile& profile = read.profile;
    profile.bodyRan(0, 0, 0, 5, 5);
    profile.addSeconds(0, 0, 0.25);
    profile.bodyRan(0, 0, 1, 1234567, 1000);
    profile.addSeconds(0, 1, 1.5);
    profile.ruleCommitted(0, 0, read.table, 1005);
    profile.iterationEnded(0, 1005);
    profile.bodyRan(1, 1, 0, 1005, 1005);
    profile.addSeconds(1, 0, 0.0004);
    profile.ruleCommitted(1, 1, read.table, 1005);
    profile.iterationEnded(1, 2010);
    profile.bodyRan(2, 1, 0, 0, 0);  // a body that ran and found nothing
    profile.addSeconds(1, 0, 0.0002);
    profile.ruleCommitted(2, 1, read.table, 0);
    profile.iterationEnded(2, 2010);

    const std::vector<std::string> lines = linesOf(profile.table(2048));
    const std::vector<std::string> expected = {
        "line   rows  combinations  seconds  rule line",
        "   1      5             5    0.250  q(X)<-e(X)",
        "   2  1,005         1,005    0.001  p(X)<-q(X)",
        "   3  1,000     1,234,567    1.500  q(X)<-f(X),X>1",
        "",
        "rule   rows  iterations with new rows",
        "q     1,005  0",
        "p     1,005  1",
        "",
        "iterations        3",
        "rows derived  2,010",
    };
    ASSERT_GE(lines.size(), expected.size() + 4);
    for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(lines[i], expected[i]);
    // The times of the steps are the clock's; their layout and the memory are not.
    for (std::size_t i = expected.size(); i < expected.size() + 3; ++i) {
        EXPECT_EQ(lines[i].size(), std::string("rows derived  2,010 s").size()) << lines[i];
        EXPECT_EQ(lines[i].substr(lines[i].size() - 2), " s") << lines[i];
    }
    EXPECT_EQ(lines.back(), "peak memory     2.0 MiB");
}

TEST(RunProfileTable, IterationsWithNewRowsAreCompressedToRanges) {
    std::vector<std::size_t> everyOther;
    std::string everyOtherText;
    for (std::size_t i = 0; i < 200; i += 2) {
        everyOther.push_back(i);
        if (i > 0) everyOtherText += ", ";
        everyOtherText += std::to_string(i);
    }
    const struct {
        std::vector<std::size_t> iterations;
        std::string shown;
    } kCases[] = {
        {{}, ""},
        {{0}, "0"},
        {{0, 1}, "0-1"},
        {{0, 2, 4}, "0, 2, 4"},
        {{3, 4, 5, 9, 11, 12}, "3-5, 9, 11-12"},
        // A long list is cut to the column's width.
        {everyOther, everyOtherText.substr(0, RunProfile::kTextColumns - 1) + "\xE2\x80\xA6"},
    };
    for (const auto& c : kCases) {
        ReadProfile read({"p(X)<-p(X)"});
        std::size_t iteration = 0;
        for (const std::size_t grew : c.iterations) {
            // The iterations in between commit nothing new.
            for (; iteration < grew; ++iteration) {
                read.profile.ruleCommitted(iteration, 0, read.table, 0);
            }
            read.profile.ruleCommitted(iteration++, 0, read.table, 7);
        }
        const std::string row = linesOf(read.profile.table(0)).at(4);
        std::istringstream fields(row);
        std::string name;
        std::string rows;
        fields >> name >> rows;
        EXPECT_EQ(name, "p");
        EXPECT_EQ(rows, std::to_string(7 * c.iterations.size()));
        const std::size_t end = row.find(rows) + rows.size();
        EXPECT_EQ(end + 2 <= row.size() ? row.substr(end + 2) : "", c.shown);
    }
}

TEST(RunProfileTable, LongRuleLinesAreShortened) {
    const std::string longLine = "p(X)<-" + std::string(200, 'e') + "(X)";
    ReadProfile read({longLine});
    const std::vector<std::string> lines = linesOf(read.profile.table(0));
    const std::string shown = lines.at(1).substr(lines.at(1).find("p(X)"));
    EXPECT_EQ(shown, longLine.substr(0, RunProfile::kTextColumns - 1) + "\xE2\x80\xA6");
}

}  // namespace
