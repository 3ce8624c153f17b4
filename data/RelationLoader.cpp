#include "data/RelationLoader.h"

#include "data/Literal.h"
#include "data/RowHashing.h"

RelationLoader::RelationLoader(StoredRelation& target, ValuePool& values)
    : relation(target), table(target.getRows()), pool(values) {}

// The common row line, small integers written as plain digits only, read in one pass; false,
// with nothing taken, for any other line.
bool RelationLoader::addPlainDigitsLine(std::string_view line) {
    // Nine digits stay below the largest integer that is its own id.
    constexpr std::size_t kMostDigits = 9;
    static_assert(ValuePool::isInline(999'999'999));
    const std::size_t firstCell = cells.size();
    std::int64_t value = 0;
    std::size_t digits = 0;
    for (const char c : line) {
        const unsigned digit = static_cast<unsigned char>(c) - unsigned{'0'};
        if (digit <= 9 && digits < kMostDigits) {
            value = value * 10 + digit;
            ++digits;
        } else if (c == ',' && digits > 0) {
            cells.push_back(ValuePool::inlineId(value));
            value = 0;
            digits = 0;
        } else {
            cells.resize(firstCell);
            return false;
        }
    }
    if (digits == 0) {
        cells.resize(firstCell);
        return false;
    }
    cells.push_back(ValuePool::inlineId(value));
    if (rowEnds.empty()) batchStart = linesTaken - 1;
    rowEnds.push_back(cells.size());
    return true;
}

bool RelationLoader::addLine(std::string_view line) {
    const std::size_t place = linesTaken++;
    if (line.empty()) {
        flush();  // the lines without a row are noted in order
        relation.noteLineWithoutRow(place);
        return true;
    }
    const std::size_t firstCell = cells.size();
    if (line.size() < kLongLine && addPlainDigitsLine(line)) {
        const bool isWhole = isWholeRow(cells.size() - firstCell);
        if (rowEnds.size() == kBatchRows) flush();
        return isWhole;
    }
    // A long line is loaded on its own, its strings read where they stand instead of copied.
    const bool isLong = line.size() >= kLongLine;
    if (isLong) {
        flush();
        borrowedLine = line;
    }
    const std::size_t fieldsBefore = cells.size();
    bool isAsWritten = true;
    forEachCommaPiece(line, [&](std::string_view piece) {
        if (!piece.empty() && piece.front() == '\'') {
            isAsWritten = isAsWritten && piece.size() >= 2 && piece.back() == '\'';
            const std::string_view value = stringLiteralView(piece);
            // An empty value may point nowhere; it starts anywhere.
            std::size_t start =
                value.empty() ? 0 : static_cast<std::size_t>(value.data() - line.data());
            if (!isLong) {
                start = text.size();
                text.append(value);
            }
            pooled.push_back(
                {static_cast<std::int64_t>(start), value.size(), cells.size(), 0, true});
            cells.push_back(0);
            return;
        }
        bool isWhole = false;
        const std::int64_t number = integerLiteralValue(piece, isWhole);
        isAsWritten = isAsWritten && isWhole;
        if (ValuePool::isInline(number)) {
            cells.push_back(ValuePool::inlineId(number));
        } else {
            pooled.push_back({number, 0, cells.size(), 0, false});
            cells.push_back(0);
        }
    });
    isAsWritten = isAsWritten && isWholeRow(cells.size() - fieldsBefore);
    if (rowEnds.empty()) batchStart = linesTaken - 1;
    rowEnds.push_back(cells.size());
    if (isLong || rowEnds.size() == kBatchRows) flush();
    return isAsWritten;
}

void RelationLoader::finish() { flush(); }

// Gives the batch's strings and large integers their ids, in field order.
void RelationLoader::internPooled() {
    const std::string_view strings = borrowedLine.empty() ? std::string_view(text) : borrowedLine;
    auto stringOf = [strings](const PooledField& field) {
        return strings.substr(static_cast<std::size_t>(field.number), field.length);
    };
    for (PooledField& field : pooled) {
        if (field.isString) {
            field.tag = ValuePool::stringTag(stringOf(field));
            pool.prefetchString(field.tag);
        } else {
            field.tag = ValuePool::integerTag(field.number);
            pool.prefetchInteger(field.tag);
        }
    }
    for (const PooledField& field : pooled) {
        if (field.isString) pool.prefetchStringEntry(field.tag);
    }
    for (const PooledField& field : pooled) {
        cells[field.cell] = field.isString ? pool.internString(stringOf(field), field.tag)
                                           : pool.internInteger(field.number, field.tag);
    }
}

void RelationLoader::flush() {
    if (!pooled.empty()) internPooled();
    rowTags.clear();
    std::size_t start = 0;
    for (const std::size_t end : rowEnds) {
        const auto tag =
            static_cast<std::uint32_t>(hashValueIds(cells.data() + start, end - start));
        table.prefetchRow(end - start, tag);
        rowTags.push_back(tag);
        start = end;
    }
    start = 0;
    for (std::size_t row = 0; row < rowEnds.size(); ++row) {
        if (!table.insert(cells.data() + start, rowEnds[row] - start, rowTags[row])) {
            relation.noteLineWithoutRow(batchStart + row);
        }
        start = rowEnds[row];
    }
    cells.clear();
    pooled.clear();
    rowEnds.clear();
    text.clear();
    borrowedLine = {};
}
