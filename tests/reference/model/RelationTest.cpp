#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "tests/TestNames.h"
#include "tests/reference/model/Relation.h"
#include "tests/reference/model/TestStore.h"

namespace {

const Data* integer(std::int64_t value) { return &testStore().makeInteger(value, nullptr); }
const Data* string(std::string value) { return &testStore().makeString(std::move(value), nullptr); }

const DataRow* row(std::initializer_list<const Data*> values) {
    DataRow& made = testStore().makeRow();
    for (const Data* value : values) made.add(value);
    return &made;
}

std::vector<std::string> columnNames(const Relation& relation) {
    std::vector<std::string> names;
    for (const DataColumn* column : relation.getColumns()) names.push_back(column->getName());
    return names;
}

// Each cell as type name and text form, e.g. "DataInteger 3".
std::vector<std::string> cells(const DataRow& values) {
    std::vector<std::string> described;
    for (std::size_t i = 0; i < values.size(); ++i) {
        described.push_back(values.get(i)->getType() + " " + values.get(i)->toString());
    }
    return described;
}

struct HeaderCase {
    std::string line;
    std::string name;
    std::vector<std::string> columns;
};

void PrintTo(const HeaderCase& c, std::ostream* out) { *out << '"' << c.line << '"'; }

class RelationHeader : public testing::TestWithParam<HeaderCase> {};

TEST_P(RelationHeader, ReadsNameAndColumns) {
    const Relation relation(GetParam().line, testStore());
    EXPECT_EQ(relation.getName(), GetParam().name);
    EXPECT_EQ(columnNames(relation), GetParam().columns);
    for (const DataColumn* column : relation.getColumns()) EXPECT_EQ(column->getType(), "");
    EXPECT_TRUE(relation.getRows().empty());
}

// The last character is dropped whatever it is, and nothing is trimmed.
INSTANTIATE_TEST_SUITE_P(
    Lines, RelationHeader,
    testing::Values(HeaderCase{"parent(X,Y)", "parent", {"X", "Y"}},
                    HeaderCase{"p(a, b)", "p", {"a", " b"}}, HeaderCase{" p (a ) ", " p ", {"a )"}},
                    HeaderCase{"p()", "p", {""}}, HeaderCase{"p(a,,b)", "p", {"a", "", "b"}},
                    HeaderCase{"p(,)", "p", {"", ""}}, HeaderCase{"p(X,Y", "p", {"X", ""}},
                    HeaderCase{"p(X]", "p", {"X"}}, HeaderCase{"p((X))", "p", {"(X)"}},
                    HeaderCase{"p(", "p", {""}}, HeaderCase{"(X)", "", {"X"}},
                    HeaderCase{"abc", "abc", {"ab"}}, HeaderCase{"a,bc", "a,bc", {"a", "b"}},
                    HeaderCase{"x", "x", {""}}, HeaderCase{"", "", {""}}),
    namedAfter(&HeaderCase::line));

struct RowCase {
    std::string line;
    std::vector<std::string> cells;
};

void PrintTo(const RowCase& c, std::ostream* out) { *out << '"' << c.line << '"'; }

class RelationParseRow : public testing::TestWithParam<RowCase> {};

TEST_P(RelationParseRow, BuildsCellsFromFields) {
    Relation relation("r(a,b,c)", testStore());
    relation.parseRow(GetParam().line, testStore());
    ASSERT_EQ(relation.getRows().size(), 1u);
    EXPECT_EQ(cells(*relation.getRows()[0]), GetParam().cells);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, RelationParseRow,
    testing::Values(
        RowCase{"'x',3", {"DataString 'x'", "DataInteger 3"}},
        RowCase{"1, 'y'", {"DataInteger 1", "DataInteger 0"}},
        RowCase{"1,,2", {"DataInteger 1", "DataInteger 0", "DataInteger 2"}},
        RowCase{"1,", {"DataInteger 1", "DataInteger 0"}},
        RowCase{",", {"DataInteger 0", "DataInteger 0"}},
        RowCase{" 12,007,-5", {"DataInteger 12", "DataInteger 7", "DataInteger -5"}},
        RowCase{"3x,x", {"DataInteger 3", "DataInteger 0"}}, RowCase{"'5'", {"DataString '5'"}},
        RowCase{"''", {"DataString ''"}}, RowCase{"'", {"DataString ''"}},
        RowCase{"','", {"DataString ''", "DataString ''"}},
        RowCase{"',1", {"DataString ''", "DataInteger 1"}},
        RowCase{"'a,b'", {"DataString ''", "DataInteger 0"}}, RowCase{"'ab", {"DataString 'a'"}},
        RowCase{"'it's'", {"DataString 'it's'"}}, RowCase{"' a '", {"DataString ' a '"}},
        RowCase{"9223372036854775808", {"DataInteger 9223372036854775807"}},
        RowCase{"1,2,3,4", {"DataInteger 1", "DataInteger 2", "DataInteger 3", "DataInteger 4"}}),
    namedAfter(&RowCase::line));

TEST(RelationParseRow, LinksCellsToColumnsAtTheirPositions) {
    Relation relation("r(a,b)", testStore());
    relation.parseRow("'x',3,4", testStore());
    ASSERT_EQ(relation.getRows().size(), 1u);
    const DataRow& stored = *relation.getRows()[0];
    ASSERT_EQ(stored.size(), 3u);
    const auto* text = dynamic_cast<const DataString*>(stored.get(0));
    const auto* number = dynamic_cast<const DataInteger*>(stored.get(1));
    const auto* extra = dynamic_cast<const DataInteger*>(stored.get(2));
    ASSERT_TRUE(text && number && extra);
    EXPECT_EQ(text->getColumn(), relation.getColumns()[0]);
    EXPECT_EQ(number->getColumn(), relation.getColumns()[1]);
    EXPECT_EQ(extra->getColumn(), nullptr);
}

TEST(RelationParseRow, IgnoresEmptyLine) {
    Relation relation("r(a)", testStore());
    relation.parseRow("", testStore());
    EXPECT_TRUE(relation.getRows().empty());
}

TEST(RelationAddRow, KeepsInsertionOrderAndFirstOfEqualRows) {
    Relation relation("r(a,b)", testStore());
    const DataRow* first = row({integer(2), string("x")});
    const DataRow* second = row({integer(1), string("x")});
    relation.addRow(first);
    relation.addRow(second);
    relation.addRow(row({integer(2), string("x")}));  // equal cells, other objects
    relation.addRow(row({integer(1), string("x")}));
    EXPECT_EQ(relation.getRows(), (std::vector<const DataRow*>{first, second}));
}

TEST(RelationAddRow, TellsCellsApartByTypeAndValue) {
    Relation relation("r(a)", testStore());
    for (const char* line : {"5", "'5'", "007", "7", "'a'", "'a '", "'A'", "5", "'5'", "-0", "0"}) {
        relation.parseRow(line, testStore());
    }
    EXPECT_EQ(relation.toString(), "r(a)\n5\n'5'\n7\n'a'\n'a '\n'A'\n0\n");
}

TEST(RelationAddRow, RowsOfDifferentLengthNeverEqual) {
    Relation relation("r(a,b)", testStore());
    const DataRow* empty = row({});
    const DataRow* one = row({integer(1)});
    const DataRow* two = row({integer(1), integer(2)});
    for (const DataRow* offered :
         {one, two, empty, row({}), row({integer(1)}), row({integer(1), integer(2)})}) {
        relation.addRow(offered);
    }
    EXPECT_EQ(relation.getRows(), (std::vector<const DataRow*>{one, two, empty}));

    Relation emptyFirst("s(a)", testStore());
    emptyFirst.addRow(empty);
    emptyFirst.addRow(one);
    EXPECT_EQ(emptyFirst.getRows(), (std::vector<const DataRow*>{empty, one}));
}

TEST(RelationCopy, SharesRowsButGrowsApart) {
    Relation source("r(a)", testStore());
    source.parseRow("1", testStore());
    Relation copy = source;
    copy.parseRow("2", testStore());
    copy.parseRow("1", testStore());
    EXPECT_EQ(source.toString(), "r(a)\n1\n");
    EXPECT_EQ(copy.toString(), "r(a)\n1\n2\n");
    EXPECT_EQ(copy.getRows()[0], source.getRows()[0]);
    EXPECT_EQ(copy.getColumns(), source.getColumns());
}

struct PrintCase {
    std::string header;
    std::vector<std::string> rowLines;
    std::string printed;
};

void PrintTo(const PrintCase& c, std::ostream* out) { *out << '"' << c.header << '"'; }

class RelationToString : public testing::TestWithParam<PrintCase> {};

TEST_P(RelationToString, PrintsHeaderThenOneLinePerRow) {
    Relation relation(GetParam().header, testStore());
    for (const std::string& line : GetParam().rowLines) relation.parseRow(line, testStore());
    EXPECT_EQ(relation.toString(), GetParam().printed);
}

INSTANTIATE_TEST_SUITE_P(
    Relations, RelationToString,
    testing::Values(PrintCase{"p(a,b)", {"1,'x'", "2,'y'"}, "p(a,b)\n1,'x'\n2,'y'\n"},
                    PrintCase{"p(a, b)", {}, "p(a, b)\n"}, PrintCase{"p()", {}, "p()\n"},
                    PrintCase{"p(,)", {"1,2"}, "p(,)\n1,2\n"}, PrintCase{"p(a,)", {}, "p(a,)\n"},
                    PrintCase{"q(n,m)", {"007,x", " -3,", "'',''"}, "q(n,m)\n7,0\n-3,0\n'',''\n"},
                    PrintCase{"s(t)", {"'a'b'", "'"}, "s(t)\n'a'b'\n''\n"}),
    namedAfter(&PrintCase::header));

TEST(RelationToString, PrintsEmptyParenthesesWithoutColumns) {
    Relation relation;
    relation.setName("p");
    EXPECT_EQ(relation.toString(), "p()\n");
    relation.addRow(row({integer(1), integer(2)}));
    EXPECT_EQ(relation.toString(), "p()\n1,2\n");
}

TEST(RelationToString, EmptyRowPrintsNothing) {
    Relation relation("p(a)", testStore());
    relation.addRow(row({integer(1)}));
    relation.addRow(row({}));
    relation.addRow(row({integer(2)}));
    EXPECT_EQ(relation.toString(), "p(a)\n1\n2\n");

    Relation onlyEmpty("e()", testStore());
    onlyEmpty.addRow(row({}));
    EXPECT_EQ(onlyEmpty.toString(), "e()\n");
}

}  // namespace
