#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/RelationLoader.h"
#include "data/StoredRelation.h"
#include "data/ValuePool.h"

namespace {

TEST(StoredRelationHeader, CountsTheColumnsItDeclares) {
    const std::vector<std::pair<const char*, std::size_t>> cases = {
        {"e(A,B)", 2}, {"e(A)", 1}, {"e()", 1}, {"e", 1}, {"e(A,'x,y')", 3}, {"e(A,B", 2}};
    for (const auto& [header, columns] : cases) {
        EXPECT_EQ(StoredRelation(header, 1).getColumnCount(), columns) << header;
    }
}

// Lines that repeat an earlier row give no row; the rows after them still find their lines,
// across batches, rows of other lengths and a line long enough to be loaded on its own.
TEST(StoredRelationLines, EveryRowFindsItsInputLine) {
    ValuePool pool;
    StoredRelation relation("e(A,B)", 5);
    const std::string longLine = "5,'" + std::string(std::size_t{1} << 20, 'y') + "'";
    std::vector<std::string> lines = {"1,2", "1,2", "3", "3", "4,'x'", longLine, "1,2"};
    for (int i = 0; i < 600; ++i) lines.push_back(std::to_string(i % 300) + ",9");
    RelationLoader loader(relation, pool);
    for (const std::string& line : lines) loader.addLine(line);
    loader.finish();
    std::vector<std::size_t> expected = {6, 8, 10, 11};
    for (std::size_t i = 0; i < 300; ++i) expected.push_back(13 + i);
    ASSERT_EQ(relation.getRows().size(), expected.size());
    for (std::size_t row = 0; row < expected.size(); ++row) {
        EXPECT_EQ(relation.lineOfRow(row), expected[row]) << "row " << row;
    }
}

// A line is read as written when its fields are the header's columns, each an integer as
// written or a quoted string; checks of rows look only at the other lines.
TEST(StoredRelationLines, LoaderTellsWhichLinesAreReadAsWritten) {
    const std::vector<std::pair<std::string, bool>> lines = {{"1,2", true},
                                                             {"-1,+2", true},
                                                             {"'a','b'", true},
                                                             {"'',7", true},
                                                             {"123456789012,1", true},
                                                             {"1", false},
                                                             {"1,2,3", false},
                                                             {"'a,b'", false},
                                                             {" 1,2", false},
                                                             {"1,2.5", false},
                                                             {"'a',b", false},
                                                             {"'a,'b'", false},
                                                             {"1,'", false},
                                                             {"1,", false},
                                                             {"\"a\",1", false},
                                                             {"1\t2", false},
                                                             {"1,-", false}};
    ValuePool pool;
    StoredRelation relation("t(A,B)", 1);
    RelationLoader loader(relation, pool);
    for (const auto& [line, isAsWritten] : lines) {
        EXPECT_EQ(loader.addLine(line), isAsWritten) << line;
    }
    const std::string longLine = "'" + std::string(std::size_t{1} << 20, 'x') + "',1";
    EXPECT_TRUE(loader.addLine(longLine));
    EXPECT_FALSE(loader.addLine(longLine + ","));
    loader.finish();
}

}  // namespace
