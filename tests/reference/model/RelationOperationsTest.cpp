#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <ostream>
#include <string>
#include <vector>

#include "tests/TestNames.h"
#include "tests/reference/model/Relation.h"
#include "tests/reference/model/RelationOperations.h"
#include "tests/reference/model/TestStore.h"

namespace {

// A relation from a header line and row lines.
Relation relation(const std::string& header, std::initializer_list<const char*> rowLines) {
    Relation made(header, testStore());
    for (const char* line : rowLines) made.parseRow(line, testStore());
    return made;
}

TEST(RelationAddRows, AppendsMissingRowsInOtherOrderSharingRowObjects) {
    Relation target = relation("t(a)", {"1", "2"});
    const Relation other = relation("o(b)", {"3", "2", "'1'", "3"});
    const std::vector<const DataRow*> ownRows = target.getRows();
    const std::vector<const DataColumn*> ownColumns = target.getColumns();

    target.addRows(other);

    EXPECT_EQ(target.toString(), "t(a)\n1\n2\n3\n'1'\n");
    EXPECT_EQ(target.getColumns(), ownColumns);
    const std::vector<const DataRow*> rows = target.getRows();
    const std::vector<const DataRow*> otherRows = other.getRows();
    EXPECT_EQ(rows,
              (std::vector<const DataRow*>{ownRows[0], ownRows[1], otherRows[0], otherRows[2]}));
    EXPECT_EQ(other.toString(), "o(b)\n3\n2\n'1'\n");
}

TEST(RelationAddRows, IntoItselfChangesNothing) {
    Relation target = relation("t(a,b)", {"1,2", "2,1"});
    const std::vector<const DataRow*> before = target.getRows();
    target.addRows(target);
    EXPECT_EQ(target.getRows(), before);
}

TEST(RelationDifference, KeepsRowsMissingFromSecondInFirstOrder) {
    const Relation a = relation("a(x,y)", {"4,'p'", "1,'q'", "3,'r'", "2,'s'", "1,'p'"});
    const Relation b = relation("b(u,v)", {"3,'r'", "4,'p'", "1,'zz'"});
    const Relation result = difference(a, b);
    EXPECT_EQ(result.toString(), "a(x,y)\n1,'q'\n2,'s'\n1,'p'\n");
    const std::vector<const DataRow*> rowsOfA = a.getRows();
    EXPECT_EQ(result.getRows(), (std::vector<const DataRow*>{rowsOfA[1], rowsOfA[3], rowsOfA[4]}));
    EXPECT_EQ(result.getColumns(), a.getColumns());
}

TEST(RelationDifference, IntegerAndStringWithSameDigitsDiffer) {
    const Relation a = relation("a(x)", {"5", "'6'"});
    const Relation b = relation("b(x)", {"'5'", "6"});
    EXPECT_EQ(difference(a, b).toString(), "a(x)\n5\n'6'\n");
}

// A row without values equals only another row without values, so it removes nothing else.
TEST(RelationDifference, EmptyRowInSecondRemovesOnlyEmptyRows) {
    Relation first = relation("a(x)", {"1", "2"});
    first.addRow(&testStore().makeRow());
    Relation second;
    second.addRow(&testStore().makeRow());
    EXPECT_EQ(difference(first, second).toString(), "a(x)\n1\n2\n");
    EXPECT_EQ(difference(first, second).rowsView().size(), 2u);
}

TEST(RelationDifference, EmptySecondKeepsEverything) {
    const Relation a = relation("a(x,y)", {"1,2", "3,4"});
    const Relation result = difference(a, Relation("b(x,y)", testStore()));
    EXPECT_EQ(result.getName(), "a");
    EXPECT_EQ(result.getColumns(), a.getColumns());
    EXPECT_EQ(result.getRows(), a.getRows());
}

TEST(RelationDifference, WithItselfIsEmpty) {
    const Relation a = relation("a(x)", {"1", "'1'", "2"});
    const Relation result = difference(a, a);
    EXPECT_EQ(result.toString(), "a(x)\n");
}

// Source rows (1,'a',2), (1,'b',2), (3,'a',4) under the columns X, Y, Z.
struct ProjectCase {
    std::vector<std::size_t> positions;
    std::string printed;
};

void PrintTo(const ProjectCase& c, std::ostream* out) {
    *out << "positions";
    for (std::size_t position : c.positions) *out << ' ' << position;
}

class RelationProject : public testing::TestWithParam<ProjectCase> {};

// Named after the source columns kept, e.g. onto_Z_X.
std::string projectCaseName(const testing::TestParamInfo<ProjectCase>& info) {
    const std::string columns = "XYZ";
    std::string text = "onto";
    for (std::size_t position : info.param.positions) {
        text += ' ';
        text += position < columns.size() ? std::string(1, columns[position])
                                          : std::to_string(position);
    }
    return testName(text, info.index);
}

TEST_P(RelationProject, KeepsChosenPositionsAndCollapsesEqualRows) {
    const Relation source = relation("s(X,Y,Z)", {"1,'a',2", "1,'b',2", "3,'a',4"});
    EXPECT_EQ(project(source, GetParam().positions, testStore()).toString(), GetParam().printed);
}

INSTANTIATE_TEST_SUITE_P(
    Positions, RelationProject,
    testing::Values(ProjectCase{{0, 1, 2}, "(X,Y,Z)\n1,'a',2\n1,'b',2\n3,'a',4\n"},
                    ProjectCase{{0}, "(X)\n1\n3\n"}, ProjectCase{{1}, "(Y)\n'a'\n'b'\n"},
                    ProjectCase{{2, 0}, "(Z,X)\n2,1\n4,3\n"},
                    ProjectCase{{1, 0}, "(Y,X)\n'a',1\n'b',1\n'a',3\n"},
                    ProjectCase{{0, 0}, "(X,X)\n1,1\n3,3\n"}, ProjectCase{{}, "()\n"}),
    projectCaseName);

TEST(RelationProject, SharesColumnAndValueObjects) {
    const Relation source = relation("s(X,Y)", {"1,2", "1,3"});
    const Relation swapped = project(source, {1, 0, 1}, testStore());
    const std::vector<const DataColumn*> columns = source.getColumns();
    EXPECT_EQ(swapped.getColumns(),
              (std::vector<const DataColumn*>{columns[1], columns[0], columns[1]}));
    ASSERT_EQ(swapped.getRows().size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        const DataRow& from = *source.getRows()[i];
        const DataRow& to = *swapped.getRows()[i];
        ASSERT_EQ(to.size(), 3u);
        EXPECT_EQ(to.get(0), from.get(1));
        EXPECT_EQ(to.get(1), from.get(0));
        EXPECT_EQ(to.get(2), from.get(1));
    }
}

TEST(RelationProject, CollapsedRowsKeepValuesOfFirst) {
    const Relation source = relation("s(X,Y)", {"1,2", "1,3"});
    const Relation firstColumn = project(source, {0}, testStore());
    EXPECT_EQ(firstColumn.getName(), "");
    ASSERT_EQ(firstColumn.getRows().size(), 1u);
    EXPECT_EQ(firstColumn.getRows()[0]->get(0), source.getRows()[0]->get(0));
}

TEST(RelationProject, NoPositionsGiveOneEmptyRowOnlyWhenSourceHasRows) {
    const Relation withRows = project(relation("s(X)", {"1", "2"}), {}, testStore());
    EXPECT_TRUE(withRows.getColumns().empty());
    ASSERT_EQ(withRows.getRows().size(), 1u);
    EXPECT_EQ(withRows.getRows()[0]->size(), 0u);

    const Relation withoutRows = project(Relation("s(X)", testStore()), {}, testStore());
    EXPECT_TRUE(withoutRows.getRows().empty());
}

}  // namespace
