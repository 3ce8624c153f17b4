#include <gtest/gtest.h>

#include <algorithm>
#include <span>
#include <string>
#include <vector>

#include "data/Literal.h"
#include "data/RelationLoader.h"
#include "data/RelationPart.h"
#include "data/RelationTable.h"
#include "data/ValuePool.h"

namespace {

std::vector<std::uint32_t> positionsFor(RelationPart& part, std::vector<std::uint32_t> columns,
                                        std::vector<ValueId> key) {
    const RelationIndex& index = part.updateIndex(part.ensureIndex(columns));
    const std::uint32_t group = index.findGroup(key.data());
    if (group == RelationIndex::kNoGroup) return {};
    std::uint32_t only = 0;
    const std::span<const std::uint32_t> found = index.positions(group, only);
    return std::vector<std::uint32_t>(found.begin(), found.end());
}

TEST(RelationPartPending, RowsStayInvisibleUntilCommitted) {
    RelationPart part(2);
    const ValueId first[] = {1, 2};
    const ValueId second[] = {1, 3};
    part.insert(first);
    EXPECT_EQ(part.offer(second).second, RelationPart::Offered::Added);
    EXPECT_EQ(part.offer(second).second, RelationPart::Offered::Pending);
    EXPECT_EQ(part.offer(first).second, RelationPart::Offered::Committed);
    EXPECT_EQ(part.size(), 1u);
    EXPECT_EQ(part.find(second), RelationPart::kNotFound);
    EXPECT_EQ(positionsFor(part, {0}, {1}), (std::vector<std::uint32_t>{0}));
    part.commitPending();
    EXPECT_EQ(part.find(second), 1u);
    EXPECT_EQ(positionsFor(part, {0}, {1}), (std::vector<std::uint32_t>{0, 1}));
}

TEST(RelationPartPending, ReorderingMovesCellsAndKeepsLookupsRight) {
    RelationPart part(1);
    const ValueId committed[] = {9};
    part.insert(committed);
    for (ValueId value : {10u, 11u, 12u}) part.offer(&value);
    part.reorderPending({2, 0, 1});  // 12, 10, 11
    part.commitPending();
    std::vector<ValueId> stored;
    for (std::size_t i = 0; i < part.size(); ++i) stored.push_back(part.row(i)[0]);
    EXPECT_EQ(stored, (std::vector<ValueId>{9, 12, 10, 11}));
    for (std::size_t i = 0; i < part.size(); ++i) {
        const auto [position, isNew] = part.insert(part.row(i));
        EXPECT_FALSE(isNew);
        EXPECT_EQ(position, i);
    }
}

// Orders made of cycles of every length, fixed points included, on rows of two cells, many of
// them so that the hash set has grown while they were pending.
TEST(RelationPartPending, ReorderingFollowsEveryCycleOfTheOrder) {
    RelationPart part(2);
    const ValueId committed[] = {0, 0};
    part.insert(committed);
    constexpr std::uint32_t kPending = 3000;
    std::vector<std::uint32_t> order;
    for (std::uint32_t start = 0; start < kPending;) {
        const std::uint32_t length = std::min<std::uint32_t>(start % 7 + 1, kPending - start);
        for (std::uint32_t i = 0; i < length; ++i) order.push_back(start + (i + 1) % length);
        start += length;
    }
    for (ValueId i = 0; i < kPending; ++i) {
        const ValueId row[] = {i + 1, i * 3};
        part.offer(row);
    }
    part.reorderPending(order);
    part.commitPending();
    ASSERT_EQ(part.size(), kPending + 1);
    for (std::uint32_t place = 0; place < kPending; ++place) {
        const ValueId expected[] = {order[place] + 1, order[place] * 3};
        ASSERT_EQ(part.row(place + 1)[0], expected[0]) << place;
        ASSERT_EQ(part.row(place + 1)[1], expected[1]) << place;
        ASSERT_EQ(part.find(expected), place + 1);
    }
}

// Index lists hold ascending positions, so walking one visits rows in insertion order, and it
// grows with the rows committed after it was built.
TEST(RelationIndexLookup, ListsAscendingPositionsAndFollowsNewRows) {
    RelationPart part(2);
    const std::vector<std::vector<ValueId>> rows = {{1, 5}, {2, 5}, {1, 6}, {3, 7}, {1, 7}};
    for (std::size_t i = 0; i < 3; ++i) part.insert(rows[i].data());
    EXPECT_EQ(positionsFor(part, {0}, {1}), (std::vector<std::uint32_t>{0, 2}));
    for (std::size_t i = 3; i < rows.size(); ++i) part.insert(rows[i].data());
    EXPECT_EQ(positionsFor(part, {0}, {1}), (std::vector<std::uint32_t>{0, 2, 4}));
    EXPECT_EQ(positionsFor(part, {1, 0}, {7, 3}), (std::vector<std::uint32_t>{3}));
    EXPECT_EQ(positionsFor(part, {1}, {8}), (std::vector<std::uint32_t>{}));
}

TEST(RelationIndexLookup, SurvivesGrowthWithManyKeys) {
    RelationPart part(2);
    for (ValueId i = 0; i < 5000; ++i) {
        const ValueId row[] = {i % 1000, i};
        part.insert(row);
    }
    EXPECT_EQ(positionsFor(part, {0}, {7}),
              (std::vector<std::uint32_t>{7, 1007, 2007, 3007, 4007}));
}

// A released row set is made again before a lookup, or by the first insertion.
TEST(RelationPartLookup, ReleasedRowSetIsMadeAgainOnUse) {
    for (const bool isLookupFirst : {true, false}) {
        RelationPart part(2);
        constexpr ValueId kRows = 3000;
        for (ValueId i = 0; i < kRows; ++i) {
            const ValueId row[] = {i, i * 7};
            part.insert(row);
        }
        part.releaseRowSet();
        const ValueId old[] = {5, 35};
        const ValueId fresh[] = {5, 36};
        if (isLookupFirst) {
            part.restoreRowSet();
            EXPECT_EQ(part.find(old), 5u);
        }
        EXPECT_FALSE(part.insert(old).second);
        EXPECT_TRUE(part.insert(fresh).second);
        for (ValueId i = 0; i < kRows; ++i) {
            const ValueId row[] = {i, i * 7};
            ASSERT_EQ(part.find(row), i);
        }
        EXPECT_EQ(part.find(fresh), kRows);
        EXPECT_EQ(part.size(), kRows + 1);
    }
}

// One-column rows keep neighbouring values in neighbouring slots: runs, strides that share the
// kept low bits, and strides as large as the table must all stay findable and apart.
TEST(RelationPartLookup, OneColumnRowsOfEveryStrideStayFindable) {
    for (const ValueId stride : {1u, 2u, 4u, 3u, 1u << 16, 1u << 20}) {
        RelationPart part(1);
        constexpr ValueId kRows = 4000;  // every value below 2^32
        for (ValueId i = 0; i < kRows; ++i) {
            const ValueId row[] = {i * stride + 1};
            EXPECT_TRUE(part.insert(row).second);
        }
        EXPECT_EQ(part.size(), kRows);
        for (ValueId i = 0; i < kRows; ++i) {
            const ValueId row[] = {i * stride + 1};
            ASSERT_EQ(part.find(row), i) << "stride " << stride;
        }
        const ValueId absent[] = {kRows * stride + 1};
        EXPECT_EQ(part.find(absent), RelationPart::kNotFound) << "stride " << stride;
        const std::vector<std::uint32_t> columns = {0};
        const ValueId key[] = {(kRows / 2) * stride + 1};
        EXPECT_EQ(positionsFor(part, columns, {key[0]}).size(), 1u) << "stride " << stride;
    }
}

// An index stays slots alone while its keys are unique and takes records at the first repeated
// key, whether that comes in the extension that built it or a later one; wide keys start with
// records. Every key must list the same positions in either form.
TEST(RelationIndexLookup, UniqueKeysThenARepeatedOneListTheSamePositions) {
    struct Case {
        std::vector<std::uint32_t> columns;  // rows hold one more column, distinct per row
        std::size_t repeatAt;                // the row that repeats the key of row 3, if any
        std::size_t firstUseAt;              // rows inserted before the index is first used
    };
    constexpr std::size_t kRows = 1000;
    const std::vector<Case> cases = {{{0}, 500, 0},
                                     {{0}, 500, kRows},
                                     {{1, 0}, 700, 300},
                                     {{0}, kRows, 10},
                                     {{0, 1, 2, 3, 4, 5, 6, 7, 8}, 400, 100}};
    for (const Case& c : cases) {
        const std::size_t arity = c.columns.size() + 1;
        RelationPart part(arity);
        for (std::size_t i = 0; i < kRows; ++i) {
            if (i == c.firstUseAt) part.updateIndex(part.ensureIndex(c.columns));
            std::vector<ValueId> row(arity, static_cast<ValueId>(i == c.repeatAt ? 3 : i));
            row.back() = static_cast<ValueId>(i + kRows);
            part.insert(row.data());
        }
        for (std::size_t i = 0; i < kRows; ++i) {
            if (i == c.repeatAt) continue;
            std::vector<ValueId> key;
            for (const std::uint32_t column : c.columns) key.push_back(part.row(i)[column]);
            std::vector<std::uint32_t> expected = {static_cast<std::uint32_t>(i)};
            if (i == 3 && c.repeatAt < kRows)
                expected.push_back(static_cast<std::uint32_t>(c.repeatAt));
            ASSERT_EQ(positionsFor(part, c.columns, key), expected) << "row " << i;
        }
    }
}

// Rows whose key repeats the row before's join its group without a search, within an extension
// and across one: runs of one key, keys that come back after others, a new key's run, runs that
// straddle the points where the index is brought up to date, in the unique form, with records,
// and with wide keys. Every key must list its rows and its first and last positions as if each
// row had been searched for.
TEST(RelationIndexLookup, RunsOfOneKeyListTheSamePositions) {
    struct Case {
        std::size_t width;               // key columns; rows hold one more, distinct per row
        std::vector<ValueId> keys;       // each row's key, in every key column
        std::vector<std::size_t> stops;  // rows inserted each time before the index is updated
    };
    const std::vector<ValueId> runs = {4, 4, 4, 9, 9, 4, 4, 7, 1, 1, 1, 1, 7, 7, 9, 2, 2};
    std::vector<ValueId> many;  // long runs of a few hundred keys, coming back
    for (ValueId i = 0; i < 3000; ++i) many.push_back((i / 7) % 300);
    const std::vector<Case> cases = {{1, runs, {1, 3, 4, 9, 10, 16}},
                                     {1, runs, {17}},
                                     {2, runs, {2, 5, 6, 13}},
                                     {9, runs, {8, 12}},
                                     {1, {1, 2, 3, 3, 3, 5, 5}, {3, 4, 6}},
                                     {1, many, {10, 100, 1000, 2999}},
                                     {2, many, {3000}}};
    for (const Case& c : cases) {
        std::vector<std::uint32_t> columns(c.width);
        for (std::uint32_t i = 0; i < c.width; ++i) columns[i] = i;
        RelationPart part(c.width + 1);
        const std::size_t number = part.ensureIndex(columns);
        std::size_t stop = 0;
        for (std::size_t i = 0; i < c.keys.size(); ++i) {
            std::vector<ValueId> row(c.width, c.keys[i]);
            row.push_back(static_cast<ValueId>(i));
            part.insert(row.data());
            if (stop < c.stops.size() && i + 1 == c.stops[stop]) {
                part.updateIndex(number);
                ++stop;
            }
        }
        const RelationIndex& index = part.updateIndex(number);
        std::vector<ValueId> keys = c.keys;
        std::sort(keys.begin(), keys.end());
        keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
        for (const ValueId key : keys) {
            std::vector<std::uint32_t> expected;
            for (std::size_t i = 0; i < c.keys.size(); ++i) {
                if (c.keys[i] == key) expected.push_back(static_cast<std::uint32_t>(i));
            }
            const std::vector<ValueId> keyValues(c.width, key);
            const std::uint32_t group = index.findGroup(keyValues.data());
            ASSERT_NE(group, RelationIndex::kNoGroup) << "key " << key;
            std::uint32_t only = 0;
            const std::span<const std::uint32_t> found = index.positions(group, only);
            ASSERT_EQ(std::vector<std::uint32_t>(found.begin(), found.end()), expected)
                << "width " << c.width << ", key " << key;
            EXPECT_EQ(index.firstPosition(group), expected.front()) << "key " << key;
            EXPECT_EQ(index.lastPosition(group), expected.back()) << "key " << key;
        }
    }
}

TEST(RelationTableOrder, RowsOfSeveralLengthsPrintInInsertionOrder) {
    ValuePool pool;
    StoredRelation relation("t(A)", 1);
    RelationLoader loader(relation, pool);
    for (const char* line : {"1,2", "3", "4,5", "'a'", "3"}) loader.addLine(line);
    loader.finish();
    std::vector<std::size_t> arities;
    relation.getRows().forEachRow(
        [&](const ValueId*, std::size_t arity) { arities.push_back(arity); });
    EXPECT_EQ(arities, (std::vector<std::size_t>{2, 1, 2, 1}));
}

// Lines of plain digits take a shorter way in; every line must read as the general rules read it.
TEST(RelationLoaderLines, EveryLineReadsAsItsPiecesDo) {
    const std::vector<std::string> lines = {"1,2",
                                            "007,8",
                                            "999999999,1",
                                            "1000000000,1",
                                            "1073741823,5",
                                            "1073741824",
                                            ",1",
                                            "1,",
                                            "1,,2",
                                            " 1,2",
                                            "-1,2",
                                            "+3,4",
                                            "1a,2",
                                            "12'x'",
                                            "'a',7",
                                            "0",
                                            "5",
                                            "99999999999999999999",
                                            "3,-0",
                                            "1,2,3,4",
                                            "4,3,2,1,0",
                                            "1 ,2",
                                            ",",
                                            "1,2'"};
    ValuePool pool;
    StoredRelation relation("t(A)", 1);
    RelationLoader loader(relation, pool);
    for (const std::string& line : lines) loader.addLine(line);
    loader.finish();
    std::vector<std::string> read;
    relation.getRows().forEachRow([&](const ValueId* row, std::size_t arity) {
        std::string text;
        for (std::size_t i = 0; i < arity; ++i) {
            if (i > 0) text += ',';
            pool.appendText(row[i], text);
        }
        read.push_back(text);
    });
    std::vector<std::string> expected;
    for (const std::string& line : lines) {
        std::string text;
        bool isFirst = true;
        forEachCommaPiece(line, [&](std::string_view piece) {
            if (!isFirst) text += ',';
            isFirst = false;
            if (!piece.empty() && piece.front() == '\'') {
                text += '\'';
                text += stringLiteralValue(piece);
                text += '\'';
            } else {
                text += std::to_string(integerLiteralValue(piece));
            }
        });
        if (std::find(expected.begin(), expected.end(), text) == expected.end())
            expected.push_back(text);
    }
    EXPECT_EQ(read, expected);
}

TEST(ValuePoolValues, EqualValuesShareIdsAndClassesStayApart) {
    ValuePool pool;
    EXPECT_EQ(pool.internInteger(5), pool.internInteger(5));
    EXPECT_NE(pool.internInteger(5), pool.internString("5"));
    EXPECT_EQ(pool.internString("\xE9"), pool.internString("\xE9"));
    const ValueId five = pool.internInteger(5);
    const ValueId text = pool.internString("5");
    for (Comparison op : {Comparison::Less, Comparison::LessEqual, Comparison::Equal,
                          Comparison::Greater, Comparison::GreaterEqual}) {
        EXPECT_FALSE(pool.compare(five, op, text));
        EXPECT_FALSE(pool.compare(text, op, five));
    }
    EXPECT_TRUE(pool.compare(pool.internString("z"), Comparison::Less, pool.internString("\xE9")));
    EXPECT_TRUE(pool.compare(pool.internInteger(-3), Comparison::LessEqual, five));
    std::string text5;
    pool.appendText(text, text5);
    pool.appendText(pool.internInteger(-9223372036854775807LL - 1), text5);
    EXPECT_EQ(text5, "'5'-9223372036854775808");
}

}  // namespace

namespace {

// Rows of two lengths keep one insertion order; a range of it is a slice of the whole.
TEST(RelationTableRows, ARangeOfRowsIsASliceOfAllRows) {
    RelationTable table("t");
    std::vector<std::vector<ValueId>> all;
    for (ValueId i = 0; i < 40; ++i) {
        const std::vector<ValueId> row =
            i % 3 == 0 ? std::vector<ValueId>{i} : std::vector<ValueId>{i, i + 1};
        table.insert(row.data(), row.size());
        all.push_back(row);
    }
    for (const auto& [first, last] : {std::pair{0, 40}, std::pair{5, 17}, std::pair{39, 40}}) {
        std::vector<std::vector<ValueId>> seen;
        table.forEachRowIn(first, last, [&](const ValueId* row, std::size_t arity) {
            seen.emplace_back(row, row + arity);
        });
        EXPECT_EQ(seen, std::vector<std::vector<ValueId>>(all.begin() + first, all.begin() + last));
    }
}

}  // namespace
