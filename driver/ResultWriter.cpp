#include "driver/ResultWriter.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <thread>

#include "data/RelationText.h"
#include "driver/OutputChunks.h"

namespace {

// Rows a worker formats at a time, and blocks formatted ahead of the one being written: enough to
// keep every worker busy, little beside the tables. Writing comes when the tables are at their
// largest, so what it holds on top of them is the run's peak: a few hundred kilobytes.
constexpr std::size_t kRowsPerBlock = std::size_t{1} << 12;
constexpr std::size_t kBlocksPerWorker = 4;
// A worker's chunks go into the block at hand, not to the file: a small one does.
constexpr std::size_t kWorkerChunkBytes = std::size_t{1} << 14;
// Rows written during evaluation go out in chunks of this size: they come on top of the tables,
// which are then at their largest.
constexpr std::size_t kEarlyChunkBytes = std::size_t{1} << 16;

// The relation's header line: its name and the head's variables.
void appendHeader(OutputChunks& out, const Rule& rule, std::string& header) {
    const std::vector<std::string> head = rule.headColumnNames();
    header.clear();
    appendRelationHeader(header, rule.getName(),
                         std::vector<std::string_view>(head.begin(), head.end()));
    out.append(std::string_view(header));
}

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

// The rows of one table, block by block, each block formatted by a worker into one of a ring of
// texts and written in order as soon as the blocks before it are: whichever worker finishes the
// next block to write writes it and every block after it that is ready, while the others format
// on, so the file's writing overlaps the formatting instead of waiting for each round of it. A
// block waits for its text until the block a ring before it is written.
class SharedRowsWriting {
public:
    SharedRowsWriting(OutputChunks& output, std::vector<std::string>& ringTexts,
                      const std::function<void(std::size_t)>& wroteRowsOfTable,
                      std::size_t firstRow, std::size_t tableRows)
        : out(output),
          texts(ringTexts),
          wroteRows(wroteRowsOfTable),
          first(firstRow),
          rows(tableRows),
          readyBlocks(ringTexts.size()) {
        for (std::atomic<std::size_t>& ready : readyBlocks) ready.store(0);
    }

    // The text block number is formatted into, once the block a ring before it is written;
    // nullptr when writing failed and the block is not wanted any more.
    std::string* textFor(std::size_t block) {
        while (block >= writtenBlocks.load() + texts.size()) {
            if (isFailed.load()) return nullptr;
            std::this_thread::yield();
        }
        return &texts[block % texts.size()];
    }

    // The block's text is formatted: it is written, with those after it that are ready, unless
    // another worker is writing, which then takes it on.
    void finish(std::size_t block) {
        // A ready mark is the block's number plus one, so that 0 is never a block's.
        readyBlocks[block % texts.size()].store(block + 1);
        while (!isWriting.exchange(true)) {
            try {
                writeReady();
            } catch (...) {
                isFailed.store(true);
                isWriting.store(false);
                throw;
            }
            isWriting.store(false);
            // A block that became ready while this worker wrote saw the writing taken and left
            // it here.
            const std::size_t next = writtenBlocks.load();
            if (readyBlocks[next % texts.size()].load() != next + 1) return;
        }
    }

    void fail() { isFailed.store(true); }

private:
    void writeReady() {
        std::size_t next = writtenBlocks.load();
        while (readyBlocks[next % texts.size()].load() == next + 1) {
            out.append(std::string_view(texts[next % texts.size()]));
            ++next;
            writtenBlocks.store(next);
            wroteRows(std::min(rows, first + next * kRowsPerBlock));
        }
    }

    OutputChunks& out;
    std::vector<std::string>& texts;
    const std::function<void(std::size_t)>& wroteRows;
    std::size_t first;  // the table's first row to write
    std::size_t rows;
    // Every access is sequentially consistent: a worker marks its block ready and then asks
    // whether another is writing, the writer gives writing up and then asks whether a block
    // became ready, so one of the two always sees the other.
    std::vector<std::atomic<std::size_t>> readyBlocks;
    std::atomic<std::size_t> writtenBlocks{0};
    std::atomic<bool> isWriting{false};
    std::atomic<bool> isFailed{false};
};

// The table's rows from first on.
void writeRowsShared(OutputChunks& out, const RelationTable& table, std::size_t first,
                     const ValuePool& pool, WorkerPool& workers, std::vector<std::string>& texts,
                     std::vector<std::unique_ptr<BlockWriter>>& writers,
                     const std::function<void(std::size_t)>& wroteRows) {
    const std::size_t rows = table.size();
    const std::size_t blockCount = (rows - first + kRowsPerBlock - 1) / kRowsPerBlock;
    SharedRowsWriting writing(out, texts, wroteRows, first, rows);
    workers.run(blockCount, [&](std::size_t block, std::size_t worker) {
        try {
            std::string* text = writing.textFor(block);
            if (text == nullptr) return;
            BlockWriter& writer = *writers[worker];
            writer.block = text;
            text->clear();
            const std::size_t from = first + block * kRowsPerBlock;
            table.forEachRowIn(from, std::min(from + kRowsPerBlock, rows),
                               [&](const ValueId* row, std::size_t arity) {
                                   appendRow(writer.chunks, row, arity, pool);
                               });
            writer.chunks.flush();
        } catch (...) {
            writing.fail();
            throw;
        }
        writing.finish(block);
    });
}

}  // namespace

void writeResults(const std::function<void(std::string_view)>& write,
                  const std::vector<std::pair<std::string, Rule>>& rules,
                  const std::vector<RelationTable>& idb, const ValuePool& pool, WorkerPool& workers,
                  const std::function<void(std::uint64_t)>& wroteRows,
                  std::size_t firstRowsWritten) {
    OutputChunks out(write);
    std::string header;
    std::vector<std::string> texts(workers.size() > 1 ? workers.size() * kBlocksPerWorker : 0);
    std::vector<std::unique_ptr<BlockWriter>> writers;
    for (std::size_t w = 0; w < workers.size() && !texts.empty(); ++w) {
        writers.push_back(std::make_unique<BlockWriter>());
    }
    std::uint64_t rowsBefore = 0;  // rows of the tables already written
    const std::function<void(std::size_t)> wroteRowsOfTable = [&](std::size_t rows) {
        if (wroteRows) wroteRows(rowsBefore + rows);
    };
    for (std::size_t i = 0; i < rules.size(); ++i) {
        const std::size_t written = i == 0 ? firstRowsWritten : 0;
        if (written == 0) appendHeader(out, rules[i].second, header);
        const std::size_t rows = idb[i].size();
        if (texts.empty() || rows - written <= kRowsPerBlock) {
            for (std::size_t first = written; first < rows; first += kRowsPerBlock) {
                const std::size_t last = std::min(rows, first + kRowsPerBlock);
                idb[i].forEachRowIn(first, last, [&](const ValueId* row, std::size_t arity) {
                    appendRow(out, row, arity, pool);
                });
                wroteRowsOfTable(last);
            }
        } else {
            writeRowsShared(out, idb[i], written, pool, workers, texts, writers, wroteRowsOfTable);
        }
        rowsBefore += rows;
        out.append('\n');
    }
    out.flush();
}

EarlyRows::EarlyRows(const std::function<void(std::string_view)>& write, const Rule& firstRule,
                     const ValuePool& pool)
    : out(write, kEarlyChunkBytes), rule(firstRule), values(pool) {}

bool EarlyRows::writeMore(const RelationTable& table) {
    // A few microseconds of formatting, so that the thread is soon free again.
    constexpr std::size_t kRowsAtATime = 1024;
    const std::size_t rows = table.size();
    if (written >= rows) return false;
    if (written == 0) {
        std::string header;
        appendHeader(out, rule, header);
    }
    const std::size_t last = std::min(rows, written + kRowsAtATime);
    table.forEachRowIn(written, last, [&](const ValueId* row, std::size_t arity) {
        appendRow(out, row, arity, values);
    });
    written = last;
    return true;
}

std::size_t EarlyRows::finish() {
    out.flush();
    return written;
}
