#include "data/RelationLoader.h"

#include <algorithm>
#include <utility>

#include "data/Literal.h"
#include "data/RowHashing.h"

namespace {

// Lines and bytes of text a block holds at most, and lines a share of it: shares enough for many
// threads, each large enough that sharing out costs little beside it.
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

RelationLoader::RelationLoader(StoredRelation& target, ValuePool& values, const Threads& threads,
                               LineHandler lineNotAsWritten)
    : relation(target),
      table(target.getRows()),
      pool(values),
      blockThreads(&threads),
      shardsTaken(std::make_unique<std::atomic<bool>[]>(values.shardCount())),
      notAsWritten(std::move(lineNotAsWritten)) {}

inline bool RelationLoader::readPiece(std::string_view piece, std::vector<ValueId>& lineCells,
                                      std::vector<PooledField>& lineFields,
                                      const char* stringBase) {
    if (!piece.empty() && piece.front() == '\'') {
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
        return piece.size() >= 2 && piece.back() == '\'';
    }
    bool isWhole = false;
    const std::int64_t number = integerLiteralValue(piece, isWhole);
    if (ValuePool::isInline(number)) {
        lineCells.push_back(ValuePool::inlineId(number));
    } else {
        lineFields.push_back({number, 0, lineCells.size(), 0, false});
        lineCells.push_back(0);
    }
    return isWhole;
}

bool RelationLoader::addLine(std::string_view line) {
    if (blockThreads != nullptr && line.size() < kLongLine) {
        addBlockLine(line);
        return true;
    }
    if (!blockLineStarts.empty()) loadBlock();  // the lines before a long one
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
    const std::size_t firstCell = cells.size();
    bool isAsWritten = true;
    if (isLong || !readPlainDigits(line, cells)) {
        const char* stringBase = isLong ? line.data() : nullptr;
        forEachCommaPiece(line, [&](std::string_view piece) {
            isAsWritten = readPiece(piece, cells, pooled, stringBase) && isAsWritten;
        });
    }
    isAsWritten = isAsWritten && isWholeRow(cells.size() - firstCell);
    if (rowEnds.empty()) batchStart = place;
    rowEnds.push_back(cells.size());
    if (isLong || rowEnds.size() == kBatchRows) flush();
    if (!isAsWritten && notAsWritten) notAsWritten(line, place);
    return isAsWritten || blockThreads != nullptr;
}

void RelationLoader::finish() {
    loadBlock();
    flush();
}

// Gives the batch's strings and large integers their ids, in field order. All the fields' slots
// are asked for first, then the string entries they lead to, so that their cache misses overlap.
void RelationLoader::internPooled() {
    const std::string_view strings = borrowedLine.empty() ? std::string_view(text) : borrowedLine;
    for (PooledField& field : pooled) {
        if (field.isString) {
            field.tag = ValuePool::stringTag(stringOf(strings, field));
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
        cells[field.cell] = field.isString ? pool.internString(stringOf(strings, field), field.tag)
                                           : pool.internInteger(field.number, field.tag);
    }
}

// Gives ids to the fields of one shard of the pool, fields[order[0]], fields[order[1]], ...,
// tagged already, in that order; the id of fields[order[i]] goes to ids[i], so that threads
// interning different shards write apart. The slots are asked for kSlotsAhead fields ahead and
// the string entries they lead to kEntriesAhead fields ahead: with the tags at hand, asking for
// a whole batch at once would leave the first fields no time.
void RelationLoader::internShard(const PooledField* fields, const std::uint32_t* order,
                                 std::size_t count, ValueId* ids, std::string_view strings) {
    constexpr std::size_t kSlotsAhead = 32;
    constexpr std::size_t kEntriesAhead = 16;
    auto fetchSlot = [&](std::size_t i) {
        const PooledField& field = fields[order[i]];
        if (field.isString) {
            pool.prefetchString(field.tag);
        } else {
            pool.prefetchInteger(field.tag);
        }
    };
    auto fetchEntry = [&](std::size_t i) {
        const PooledField& field = fields[order[i]];
        if (field.isString) pool.prefetchStringEntry(field.tag);
    };
    for (std::size_t i = 0; i < count && i < kSlotsAhead; ++i) fetchSlot(i);
    for (std::size_t i = 0; i < count && i < kEntriesAhead; ++i) fetchEntry(i);
    for (std::size_t i = 0; i < count; ++i) {
        if (i + kSlotsAhead < count) fetchSlot(i + kSlotsAhead);
        if (i + kEntriesAhead < count) fetchEntry(i + kEntriesAhead);
        const PooledField& field = fields[order[i]];
        ids[i] = field.isString ? pool.internString(stringOf(strings, field), field.tag)
                                : pool.internInteger(field.number, field.tag);
    }
}

// Inserts the rows ending at ends, one per line from the place firstPlace on, and notes the
// lines that gave none: empty ones and repeats.
void RelationLoader::insertRows(const std::vector<ValueId>& rowCells,
                                const std::vector<std::size_t>& ends, std::size_t firstPlace) {
    const ValueId* const rows = rowCells.data();
    for (std::size_t first = 0; first < ends.size(); first += kBatchRows) {
        const std::size_t* const batch = ends.data() + first;
        const std::size_t count = std::min(ends.size() - first, kBatchRows);
        const std::size_t batchFirstCell = first == 0 ? 0 : batch[-1];
        rowTags.clear();
        std::size_t start = batchFirstCell;
        for (std::size_t line = 0; line < count; ++line) {
            const auto tag =
                static_cast<std::uint32_t>(hashValueIds(rows + start, batch[line] - start));
            table.prefetchRow(batch[line] - start, tag);
            rowTags.push_back(tag);
            start = batch[line];
        }
        start = batchFirstCell;
        for (std::size_t line = 0; line < count; ++line) {
            // An empty line gives no row.
            if (batch[line] == start ||
                !table.insert(rows + start, batch[line] - start, rowTags[line])) {
                relation.noteLineWithoutRow(firstPlace + first + line);
            }
            start = batch[line];
        }
    }
}

void RelationLoader::flush() {
    if (rowEnds.empty()) return;
    internPooled();
    insertRows(cells, rowEnds, batchStart);
    cells.clear();
    pooled.clear();
    rowEnds.clear();
    text.clear();
    borrowedLine = {};
}

void RelationLoader::addBlockLine(std::string_view line) {
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
        const std::string_view lineText = blockLine(line);
        const std::size_t firstCell = lines.cells.size();
        bool isAsWritten = true;
        if (!lineText.empty() && !readPlainDigits(lineText, lines.cells)) {
            forEachCommaPiece(lineText, [&](std::string_view piece) {
                isAsWritten =
                    readPiece(piece, lines.cells, lines.pooled, blockText.data()) && isAsWritten;
            });
        }
        if (!isAsWritten || (!lineText.empty() && !isWholeRow(lines.cells.size() - firstCell))) {
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
    lines.pooledIds.resize(lines.pooled.size());
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
        internShard(lines.pooled.data(), lines.byShard.data() + start,
                    lines.shardEnds[shard] - start, lines.pooledIds.data() + start, strings);
    }
}

// Interns the shards a thread takes: first those it takes in every block, so that each shard's
// tables stay in one thread's caches instead of moving between cores block by block, then any
// left by a thread that is late.
void RelationLoader::internBlockShards(std::size_t thread) {
    const std::size_t shards = pool.shardCount();
    const std::size_t threads = blockThreads->threadCount;
    for (std::size_t pass = 0; pass < 2; ++pass) {
        for (std::size_t shard = pass == 0 ? thread % threads : 0; shard < shards;
             shard += pass == 0 ? threads : 1) {
            if (!shardsTaken[shard].exchange(true, std::memory_order_relaxed)) {
                internBlockShard(shard);
            }
        }
    }
}

void RelationLoader::loadBlock() {
    if (blockLineStarts.empty()) return;
    blockShareCount = (blockLineStarts.size() + kShareLines - 1) / kShareLines;
    if (blockShares.size() < blockShareCount) blockShares.resize(blockShareCount);
    blockThreads->run(blockShareCount,
                      [this](std::size_t share, std::size_t) { readBlockShare(share); });
    for (std::size_t shard = 0; shard < pool.shardCount(); ++shard) shardsTaken[shard] = false;
    blockThreads->run(blockThreads->threadCount,
                      [this](std::size_t, std::size_t thread) { internBlockShards(thread); });
    for (std::size_t share = 0; share < blockShareCount; ++share) {
        BlockShare& lines = blockShares[share];
        for (std::size_t i = 0; i < lines.byShard.size(); ++i) {
            lines.cells[lines.pooled[lines.byShard[i]].cell] = lines.pooledIds[i];
        }
        insertRows(lines.cells, lines.lineEnds, blockStart + share * kShareLines);
        for (const std::size_t line : lines.linesNotAsWritten) {
            if (!notAsWritten) break;
            notAsWritten(blockLine(line), blockStart + line);
        }
    }
    blockText.clear();
    blockLineStarts.clear();
}
