#include "data/StoredRelation.h"

#include <algorithm>

#include "data/Literal.h"

StoredRelation::StoredRelation(std::string_view header, std::size_t line)
    : rows(std::string(headerName(header))), headerLine(line) {
    const std::string_view columns = headerColumnsText(header);
    columnCount = 1 + static_cast<std::size_t>(std::count(columns.begin(), columns.end(), ','));
}

// The row is at the rowNumber-th place not listed as giving no row.
std::size_t StoredRelation::lineOfRow(std::size_t rowNumber) const {
    std::size_t place = rowNumber;
    for (const std::uint32_t without : linesWithoutRow) {
        if (without > place) break;
        ++place;
    }
    return headerLine + 1 + place;
}
