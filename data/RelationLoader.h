#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
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
//
// Given a way to run shares of work on several threads, the loader takes lines in blocks of many
// instead: the threads read a block's lines, each a share of them, then intern its values, each
// the values of some of the pool's shards, in line order; then the calling thread inserts the
// rows, in line order. So values get the ids, and rows the places, that one thread would give.
class RelationLoader {
public:
    // The threads a loader reads blocks on: run(n, task) is to call task(0, thread) to
    // task(n - 1, thread), on any of threadCount threads at once, each call told the number of
    // the thread that makes it (below threadCount).
    struct Threads {
        std::function<void(std::size_t count,
                           const std::function<void(std::size_t task, std::size_t thread)>&)>
            run;
        std::size_t threadCount;
    };
    // Hears of a row line not read as written: the line and its place after the header (0 for
    // the first).
    using LineHandler = std::function<void(std::string_view line, std::size_t place)>;

    RelationLoader(StoredRelation& target, ValuePool& values);
    // Loads in blocks, on threads that must outlive the loader. Lines not read as written go to
    // notAsWritten, in line order, once their block is loaded.
    RelationLoader(StoredRelation& target, ValuePool& values, const Threads& threads,
                   LineHandler notAsWritten);

    // The row line after the last one given; it need not outlive the call. An empty line gives
    // no row. Returns whether the line is read as written: one field per column of the header,
    // each an integer as written or a string between quotes. Telling costs nothing beyond the
    // reading, so a caller that checks rows needs to look only at the others. A loader that
    // takes blocks returns true and tells notAsWritten instead.
    bool addLine(std::string_view line);
    void finish();

private:
    static constexpr std::size_t kBatchRows = 256;
    static constexpr std::size_t kLongLine = std::size_t{1} << 20;

    // A value the pool keeps, a string or a large integer, and the cell its id goes to: an
    // integer's value, or where a string's bytes start in the text its lines are read from.
    struct PooledField {
        std::int64_t number;
        std::size_t length;
        std::size_t cell;
        std::uint32_t tag;
        bool isString;
    };

    // A share of a block's lines as one thread read them: the cells of each line's row (none
    // for an empty line), and the fields the pool keeps, ordered by the pool's shard.
    struct alignas(128) BlockShare {
        std::vector<ValueId> cells;
        std::vector<PooledField> pooled;  // in field order
        // The fields' numbers by shard, each shard's in field order, and one past each shard's
        // last in byShard.
        std::vector<std::uint32_t> byShard;
        std::vector<std::size_t> shardEnds;
        std::vector<ValueId> pooledIds;     // the ids of the fields in byShard, in its order
        std::vector<std::size_t> lineEnds;  // one past each line's last cell
        std::vector<std::size_t> linesNotAsWritten;
    };

    static std::string_view stringOf(std::string_view strings, const PooledField& field) {
        return strings.substr(static_cast<std::size_t>(field.number), field.length);
    }

    bool isWholeRow(std::size_t fields) const { return fields == relation.getColumnCount(); }
    // Reads one field of a row line into lineCells and lineFields; whether it is read as
    // written. A string is placed by where it starts after stringBase, or copied to text when
    // that is null.
    [[gnu::always_inline]] bool readPiece(std::string_view piece, std::vector<ValueId>& lineCells,
                                          std::vector<PooledField>& lineFields,
                                          const char* stringBase);
    void flush();
    void internPooled();
    void internShard(const PooledField* fields, const std::uint32_t* order, std::size_t count,
                     ValueId* ids, std::string_view strings);
    void insertRows(const std::vector<ValueId>& rowCells, const std::vector<std::size_t>& ends,
                    std::size_t firstPlace);
    void addBlockLine(std::string_view line);
    std::string_view blockLine(std::size_t line) const {
        const std::size_t start = blockLineStarts[line];
        const std::size_t end =
            line + 1 < blockLineStarts.size() ? blockLineStarts[line + 1] : blockText.size();
        return std::string_view(blockText).substr(start, end - start);
    }
    void readBlockShare(std::size_t share);
    void internBlockShard(std::size_t shard);
    void internBlockShards(std::size_t thread);
    void loadBlock();

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

    // Loading in blocks: the threads, which of the pool's shards a thread has taken in the block
    // at hand, the lines of that block back to back, where each starts, the place of its first
    // line, and the shares its lines are read in.
    const Threads* blockThreads = nullptr;
    std::unique_ptr<std::atomic<bool>[]> shardsTaken;
    LineHandler notAsWritten;
    std::string blockText;
    std::vector<std::size_t> blockLineStarts;
    std::size_t blockStart = 0;
    std::size_t blockShareCount = 0;
    std::vector<BlockShare> blockShares;
};
