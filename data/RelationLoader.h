#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "data/RelationTable.h"
#include "data/StoredRelation.h"
#include "data/ValuePool.h"

// Turns row lines into rows of a table: comma-separated fields, those starting with a quote
// strings, the others integers. Lines are taken in batches: all fields of a batch are parsed
// and the hash slots of the values the pool keeps fetched ahead before any is interned, and the
// same for the rows' slots, so the cache misses of large value and row tables overlap instead of
// adding up. Small integers are their own ids and go straight into the batch's cells. Rows enter
// the table in line order, and the relation learns which lines gave no row; call finish before
// the table is read.
class RelationLoader {
public:
    RelationLoader(StoredRelation& target, ValuePool& values);

    // The row line after the last one given; it need not outlive the call. An empty line gives
    // no row. Returns whether the line is read as written: one field per column of the header,
    // each an integer as written or a string between quotes. Telling costs nothing beyond the
    // reading, so a caller that checks rows needs to look only at the others.
    bool addLine(std::string_view line);
    void finish();

private:
    static constexpr std::size_t kBatchRows = 256;
    static constexpr std::size_t kLongLine = std::size_t{1} << 20;

    // A value the pool keeps, a string or a large integer, and the cell its id goes to: an
    // integer's value, or where a string's bytes start in the batch's text.
    struct PooledField {
        std::int64_t number;
        std::size_t length;
        std::size_t cell;
        std::uint32_t tag;
        bool isString;
    };

    bool addPlainDigitsLine(std::string_view line);
    bool isWholeRow(std::size_t fields) const { return fields == relation.getColumnCount(); }
    void flush();
    void internPooled();

    StoredRelation& relation;
    RelationTable& table;
    ValuePool& pool;
    // Lines taken so far, and the place of the batch's first row line: a batch's rows come
    // from consecutive lines, as a line without a row flushes the batch before it.
    std::size_t linesTaken = 0;
    std::size_t batchStart = 0;
    std::vector<ValueId> cells;  // the batch's rows back to back
    std::vector<PooledField> pooled;
    std::vector<std::size_t> rowEnds;  // one past each row's last cell
    std::string text;
    std::string_view borrowedLine;  // the line whose strings a batch of one long line reads
    std::vector<std::uint32_t> rowTags;
};
