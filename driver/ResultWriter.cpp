#include "driver/ResultWriter.h"

#include <algorithm>
#include <memory>

#include "data/RelationText.h"
#include "driver/OutputChunks.h"

namespace {

// Rows a worker formats at a time, and blocks formatted before any is written: enough to keep
// every worker busy, little beside the tables. Writing comes when the tables are at their
// largest, so what it holds on top of them is the run's peak: a few hundred kilobytes.
constexpr std::size_t kRowsPerBlock = std::size_t{1} << 12;
constexpr std::size_t kBlocksPerWorker = 4;
// A worker's chunks go into the block at hand, not to the file: a small one does.
constexpr std::size_t kWorkerChunkBytes = std::size_t{1} << 14;

template <typename Text>
void appendRow(Text& text, const ValueId* row, std::size_t arity, const ValuePool& pool) {
    if (arity == 0) return;
    for (std::size_t v = 0; v < arity; ++v) {
        if (v > 0) text.push_back(',');
        pool.appendText(row[v], text);
    }
    text.push_back('\n');
}

// A worker's formatting: its own chunk buffer, handed on to the block at hand when full.
struct BlockWriter {
    std::string* block = nullptr;
    std::function<void(std::string_view)> write = [this](std::string_view text) {
        block->append(text);
    };
    OutputChunks chunks{write, kWorkerChunkBytes};
};

// The rows of one table, block by block: each block formatted by a worker into a text of its
// own, then every block of the round written in order.
void writeRowsShared(OutputChunks& out, const RelationTable& table, const ValuePool& pool,
                     WorkerPool& workers, std::vector<std::string>& blocks,
                     std::vector<std::unique_ptr<BlockWriter>>& writers,
                     const std::function<void(std::size_t)>& wroteRows) {
    const std::size_t rows = table.size();
    const std::size_t roundRows = kRowsPerBlock * blocks.size();
    for (std::size_t first = 0; first < rows; first += roundRows) {
        const std::size_t count = std::min(rows - first, roundRows);
        const std::size_t blockCount = (count + kRowsPerBlock - 1) / kRowsPerBlock;
        workers.run(blockCount, [&](std::size_t block, std::size_t worker) {
            BlockWriter& writer = *writers[worker];
            writer.block = &blocks[block];
            writer.block->clear();
            const std::size_t from = first + block * kRowsPerBlock;
            const std::size_t to = std::min(from + kRowsPerBlock, first + count);
            table.forEachRowIn(from, to, [&](const ValueId* row, std::size_t arity) {
                appendRow(writer.chunks, row, arity, pool);
            });
            writer.chunks.flush();
        });
        for (std::size_t block = 0; block < blockCount; ++block) {
            out.append(std::string_view(blocks[block]));
        }
        wroteRows(first + count);
    }
}

}  // namespace

void writeResults(const std::function<void(std::string_view)>& write,
                  const std::vector<std::pair<std::string, Rule>>& rules,
                  const std::vector<RelationTable>& idb, const ValuePool& pool, WorkerPool& workers,
                  const std::function<void(std::uint64_t)>& wroteRows) {
    OutputChunks out(write);
    std::string header;
    std::vector<std::string> blocks(workers.size() > 1 ? workers.size() * kBlocksPerWorker : 0);
    std::vector<std::unique_ptr<BlockWriter>> writers;
    for (std::size_t w = 0; w < workers.size() && !blocks.empty(); ++w) {
        writers.push_back(std::make_unique<BlockWriter>());
    }
    std::uint64_t rowsBefore = 0;  // rows of the tables already written
    const std::function<void(std::size_t)> wroteRowsOfTable = [&](std::size_t rows) {
        if (wroteRows) wroteRows(rowsBefore + rows);
    };
    for (std::size_t i = 0; i < rules.size(); ++i) {
        const std::vector<std::string> head = rules[i].second.headColumnNames();
        header.clear();
        appendRelationHeader(header, rules[i].second.getName(),
                             std::vector<std::string_view>(head.begin(), head.end()));
        out.append(std::string_view(header));
        const std::size_t rows = idb[i].size();
        if (blocks.empty() || rows <= kRowsPerBlock) {
            for (std::size_t first = 0; first < rows; first += kRowsPerBlock) {
                const std::size_t last = std::min(rows, first + kRowsPerBlock);
                idb[i].forEachRowIn(first, last, [&](const ValueId* row, std::size_t arity) {
                    appendRow(out, row, arity, pool);
                });
                wroteRowsOfTable(last);
            }
        } else {
            writeRowsShared(out, idb[i], pool, workers, blocks, writers, wroteRowsOfTable);
        }
        rowsBefore += rows;
        out.append('\n');
    }
    out.flush();
}
