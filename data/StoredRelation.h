#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "data/RelationTable.h"

// A relation read from the input: its rows, and where it stands in the input, so that messages
// can point at its header and at each of its rows. Row lines follow the header one by one; only
// those that gave no row of their own (a row equal to an earlier one) are listed, so a run pays
// for positions per such line, not per row.
class StoredRelation {
public:
    StoredRelation(std::string_view header, std::size_t headerLine);
    StoredRelation(StoredRelation&&) = default;
    StoredRelation& operator=(StoredRelation&&) = default;

    const std::string& getName() const { return rows.getName(); }
    RelationTable& getRows() { return rows; }
    const RelationTable& getRows() const { return rows; }
    // The header's line (counted from 1) and the number of its columns.
    std::size_t getHeaderLine() const { return headerLine; }
    std::size_t getColumnCount() const { return columnCount; }

    // Notes that the row line at this place after the header (0 for the first) gave no row.
    // Places come in ascending order.
    void noteLineWithoutRow(std::size_t place) {
        linesWithoutRow.push_back(static_cast<std::uint32_t>(place));
    }
    // The input line of the row inserted rowNumber-th (from 0, in insertion order).
    std::size_t lineOfRow(std::size_t rowNumber) const;

private:
    RelationTable rows;
    std::size_t headerLine;
    std::size_t columnCount;
    std::vector<std::uint32_t> linesWithoutRow;
};
