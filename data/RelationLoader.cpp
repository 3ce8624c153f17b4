#include "data/RelationLoader.h"

#include <algorithm>
#include <utility>

#include "data/Literal.h"
#include "data/RowHashing.h"

namespace {

// Lines a block holds at most, and lines a share of it: shares enough for many threads, each
// large enough that sharing out costs little beside it.
constexpr std::size_t kBlockLines = std::size_t{1} << 14;
constexpr std::size_t kBlockBytes = std::size_t{4} << 20;
constexpr std::size_t kShareLines = std::size_t{1} << 11;

// The common row line, small integers written as plain digits only, read in one pass; false,
// with nothing taken, for any other line.
bool readPlainDigits(std::string_view line, std::vector<ValueId>& cells) {
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
    return true;
}

}  // namespace

RelationLoader::RelationLoader(StoredRelation& target, ValuePool& values)
    : relation(target), table(target.getRows()), pool(values) {}

RelationLoader::RelationLoader(StoredRelation& target, ValuePool& values,
                               const ShareRunner& runShares, LineHandler lineNotAsWritten)
    : relation(target),
      table(target.getRows()),
      pool(values),
      blockRunner(&runShares),
      notAsWritten(std::move(lineNotAsWritten)) {}

bool RelationLoader::readLine(std::string_view line, std::vector<ValueId>& lineCells,
                              std::vector<PooledField>& lineFields, const char* stringBase) {
    const std::size_t firstCell = lineCells.size();
    if (line.size() < kLongLine && readPlainDigits(line, lineCells)) {
        return isWholeRow(lineCells.size() - firstCell);
    }
    bool isAsWritten = true;
    forEachCommaPiece(line, [&](std::string_view piece) {
        if (!piece.empty() && piece.front() == '\'') {
            isAsWritten = isAsWritten && piece.size() >= 2 && piece.back() == '\'';
            const std::string_view value = stringLiteralView(piece);
            std::size_t start = 0;
            if (stringBase == nullptr) {
                start = text.size();
                text.append(value);
            } else if (!value.empty()) {  // an empty value may point nowhere; it starts anywhere
                start = static_cast<std::size_t>(value.data() - stringBase);
            }
            lineFields.push_back(
                {static_cast<std::int64_t>(start), value.size(), lineCells.size(), 0, true});
            lineCells.push_back(0);
            return;
        }
        bool isWhole = false;
        const std::int64_t number = integerLiteralValue(piece, isWhole);
        isAsWritten = isAsWritten && isWhole;
        if (ValuePool::isInline(number)) {
            lineCells.push_back(ValuePool::inlineId(number));
        } else {
            lineFields.push_back({number, 0, lineCells.size(), 0, false});
            lineCells.push_back(0);
        }
    });
    return isAsWritten && isWholeRow(lineCells.size() - firstCell);
}

bool RelationLoader::addLine(std::string_view line) {
    if (blockRunner != nullptr && line.size() < kLongLine) {
        addBlockLine(line);
        return true;
    }
    loadBlock();
    const std::size_t place = linesTaken++;
    if (line.empty()) {
        flush();  // the lines without a row are noted in order
        relation.noteLineWithoutRow(place);
        return true;
    }
    // A long line is loaded on its own, its strings read where they stand instead of copied.
    const bool isLong = line.size() >= kLongLine;
    if (isLong) {
        flush();
        borrowedLine = line;
    }
    const bool isAsWritten = readLine(line, cells, pooled, isLong ? line.data() : nullptr);
    if (rowEnds.empty()) batchStart = place;
    rowEnds.push_back(cells.size());
    if (isLong || rowEnds.size() == kBatchRows) flush();
    if (!isAsWritten && notAsWritten) notAsWritten(line, place);
    return isAsWritten || blockRunner != nullptr;
}

void RelationLoader::finish() {
    loadBlock();
    flush();
}

// Asks for the pool's slots of count fields, then for the string entries they lead to, so that
// their cache misses overlap; the fields' tags are computed first unless isTagged. The fields are
// fields[order[0]], fields[order[1]], ... or, without an order, fields[0], fields[1], ...
void RelationLoader::fetchAhead(PooledField* fields, const std::uint32_t* order, std::size_t count,
                                std::string_view strings, bool isTagged) const {
    for (std::size_t i = 0; i < count; ++i) {
        PooledField& field = fields[order == nullptr ? i : order[i]];
        if (field.isString) {
            if (!isTagged) field.tag = ValuePool::stringTag(stringOf(strings, field));
            pool.prefetchString(field.tag);
        } else {
            if (!isTagged) field.tag = ValuePool::integerTag(field.number);
            pool.prefetchInteger(field.tag);
        }
    }
    for (std::size_t i = 0; i < count; ++i) {
        const PooledField& field = fields[order == nullptr ? i : order[i]];
        if (field.isString) pool.prefetchStringEntry(field.tag);
    }
}

// Gives the fields' strings and large integers their ids, in the fields' order (see fetchAhead),
// a batch at a time.
void RelationLoader::internPooled(PooledField* fields, const std::uint32_t* order,
                                  std::size_t count, std::vector<ValueId>& rowCells,
                                  std::string_view strings, bool isTagged) {
    for (std::size_t first = 0; first < count; first += kBatchRows) {
        const std::size_t batch = std::min(count - first, kBatchRows);
        if (order == nullptr) {
            fetchAhead(fields + first, nullptr, batch, strings, isTagged);
        } else {
            fetchAhead(fields, order + first, batch, strings, isTagged);
        }
        for (std::size_t i = first; i < first + batch; ++i) {
            const PooledField& field = fields[order == nullptr ? i : order[i]];
            rowCells[field.cell] = field.isString
                                       ? pool.internString(stringOf(strings, field), field.tag)
                                       : pool.internInteger(field.number, field.tag);
        }
    }
}

// Inserts the rows ending at ends, one per line from the place firstPlace on, and notes the
// lines that gave none: empty ones and repeats.
void RelationLoader::insertRows(const std::vector<ValueId>& rowCells,
                                const std::vector<std::size_t>& ends, std::size_t firstPlace) {
    for (std::size_t first = 0; first < ends.size(); first += kBatchRows) {
        const std::size_t last = std::min(ends.size(), first + kBatchRows);
        rowTags.clear();
        std::size_t start = first == 0 ? 0 : ends[first - 1];
        for (std::size_t line = first; line < last; ++line) {
            const auto tag = static_cast<std::uint32_t>(
                hashValueIds(rowCells.data() + start, ends[line] - start));
            if (ends[line] > start) table.prefetchRow(ends[line] - start, tag);
            rowTags.push_back(tag);
            start = ends[line];
        }
        start = first == 0 ? 0 : ends[first - 1];
        for (std::size_t line = first; line < last; ++line) {
            if (ends[line] == start ||
                !table.insert(rowCells.data() + start, ends[line] - start, rowTags[line - first])) {
                relation.noteLineWithoutRow(firstPlace + line);
            }
            start = ends[line];
        }
    }
}

void RelationLoader::flush() {
    if (rowEnds.empty()) return;
    internPooled(pooled.data(), nullptr, pooled.size(), cells,
                 borrowedLine.empty() ? std::string_view(text) : borrowedLine, false);
    insertRows(cells, rowEnds, batchStart);
    cells.clear();
    pooled.clear();
    rowEnds.clear();
    text.clear();
    borrowedLine = {};
}

void RelationLoader::addBlockLine(std::string_view line) {
    flush();  // rows of a long line before
    if (blockLineStarts.empty()) blockStart = linesTaken;
    ++linesTaken;
    blockLineStarts.push_back(blockText.size());
    blockText.append(line);
    if (blockLineStarts.size() == kBlockLines || blockText.size() >= kBlockBytes) loadBlock();
}

// One thread's share of a block: its lines read, and the fields the pool keeps ordered by shard.
void RelationLoader::readBlockShare(std::size_t share) {
    BlockShare& lines = blockShares[share];
    lines.cells.clear();
    lines.pooled.clear();
    lines.lineEnds.clear();
    lines.linesNotAsWritten.clear();
    const std::size_t firstLine = share * kShareLines;
    const std::size_t lastLine = std::min(blockLineStarts.size(), firstLine + kShareLines);
    for (std::size_t line = firstLine; line < lastLine; ++line) {
        const std::size_t start = blockLineStarts[line];
        const std::size_t end =
            line + 1 < blockLineStarts.size() ? blockLineStarts[line + 1] : blockText.size();
        const std::string_view lineText(blockText.data() + start, end - start);
        if (!lineText.empty() && !readLine(lineText, lines.cells, lines.pooled, blockText.data())) {
            lines.linesNotAsWritten.push_back(line);
        }
        lines.lineEnds.push_back(lines.cells.size());
    }
    // A counting sort: each shard's fields keep their order.
    const std::string_view strings(blockText);
    lines.shardEnds.assign(pool.shardCount(), 0);
    for (PooledField& field : lines.pooled) {
        field.tag = field.isString ? ValuePool::stringTag(stringOf(strings, field))
                                   : ValuePool::integerTag(field.number);
        ++lines.shardEnds[pool.shardOf(field.tag)];
    }
    std::size_t end = 0;
    for (std::size_t& shardEnd : lines.shardEnds) {
        end += shardEnd;
        shardEnd = end - shardEnd;  // the shard's start until the fields are placed
    }
    lines.byShard.resize(lines.pooled.size());
    for (std::size_t field = 0; field < lines.pooled.size(); ++field) {
        lines.byShard[lines.shardEnds[pool.shardOf(lines.pooled[field].tag)]++] =
            static_cast<std::uint32_t>(field);
    }
}

// Interns the values of one shard of the pool met in the block, in line order.
void RelationLoader::internBlockShard(std::size_t shard) {
    const std::string_view strings(blockText);
    for (std::size_t share = 0; share < blockShareCount; ++share) {
        BlockShare& lines = blockShares[share];
        const std::size_t start = shard == 0 ? 0 : lines.shardEnds[shard - 1];
        internPooled(lines.pooled.data(), lines.byShard.data() + start,
                     lines.shardEnds[shard] - start, lines.cells, strings, true);
    }
}

void RelationLoader::loadBlock() {
    if (blockLineStarts.empty()) return;
    blockShareCount = (blockLineStarts.size() + kShareLines - 1) / kShareLines;
    if (blockShares.size() < blockShareCount) blockShares.resize(blockShareCount);
    (*blockRunner)(blockShareCount, [this](std::size_t share) { readBlockShare(share); });
    (*blockRunner)(pool.shardCount(), [this](std::size_t shard) { internBlockShard(shard); });
    for (std::size_t share = 0; share < blockShareCount; ++share) {
        const BlockShare& lines = blockShares[share];
        insertRows(lines.cells, lines.lineEnds, blockStart + share * kShareLines);
        for (const std::size_t line : lines.linesNotAsWritten) {
            if (!notAsWritten) break;
            const std::size_t start = blockLineStarts[line];
            const std::size_t end =
                line + 1 < blockLineStarts.size() ? blockLineStarts[line + 1] : blockText.size();
            notAsWritten(std::string_view(blockText.data() + start, end - start),
                         blockStart + line);
        }
    }
    blockText.clear();
    blockLineStarts.clear();
}
