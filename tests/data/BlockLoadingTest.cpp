#include <gtest/gtest.h>

#include <atomic>
#include <cstddef>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "data/RelationLoader.h"
#include "data/StoredRelation.h"
#include "data/ValuePool.h"

namespace {

// Tasks run on threads of their own, all at once, each taking the next task free, as a worker
// pool's would.
RelationLoader::Threads threadsOf(std::size_t count) {
    return {[count](std::size_t tasks, const std::function<void(std::size_t, std::size_t)>& task) {
                std::atomic<std::size_t> next{0};
                std::vector<std::thread> started;
                for (std::size_t thread = 0; thread < count; ++thread) {
                    started.emplace_back([&, thread] {
                        for (std::size_t t = next++; t < tasks; t = next++) task(t, thread);
                    });
                }
                for (std::thread& thread : started) thread.join();
            },
            count};
}

struct Loaded {
    std::vector<std::string> rows;                                  // as printed
    std::vector<std::vector<ValueId>> ids;                          // as held
    std::vector<std::size_t> lines;                                 // each row's line
    std::vector<std::pair<std::string, std::size_t>> notAsWritten;  // line, place
};

// Loads the lines into a relation of two columns: one batch at a time without a runner, in
// blocks on its threads with one.
Loaded load(const std::vector<std::string>& lines, unsigned shardBits,
            const RelationLoader::Threads* runner) {
    ValuePool pool(shardBits);
    StoredRelation relation("e(A,B)", 1);
    Loaded loaded;
    std::optional<RelationLoader> loader;
    if (runner == nullptr) {
        loader.emplace(relation, pool);
    } else {
        loader.emplace(relation, pool, *runner, [&](std::string_view line, std::size_t place) {
            loaded.notAsWritten.emplace_back(std::string(line), place);
        });
    }
    for (std::size_t place = 0; place < lines.size(); ++place) {
        const bool isAsWritten = loader->addLine(lines[place]);
        if (runner != nullptr) {
            EXPECT_TRUE(isAsWritten) << "told in blocks, not at once";
        } else if (!isAsWritten) {
            loaded.notAsWritten.emplace_back(lines[place], place);
        }
    }
    loader->finish();
    std::size_t rowNumber = 0;
    relation.getRows().forEachRow([&](const ValueId* row, std::size_t arity) {
        std::string text;
        for (std::size_t v = 0; v < arity; ++v) {
            if (v > 0) text += ',';
            pool.appendText(row[v], text);
        }
        loaded.rows.push_back(text);
        loaded.ids.emplace_back(row, row + arity);
        loaded.lines.push_back(relation.lineOfRow(rowNumber++));
    });
    return loaded;
}

// Lines of every kind, over several blocks: repeats, empty lines, strings and integers held in
// the pool, lines not read as written, a line long enough to be loaded on its own, rows of
// another length.
std::vector<std::string> mixedLines() {
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < 40000; ++i) {
        switch (i % 11) {
            case 0:
                lines.push_back(std::to_string(i % 3000) + "," + std::to_string(i % 7));
                break;
            case 1:
                lines.push_back("'s" + std::to_string(i % 5000) + "',12345678901");
                break;
            case 2:
                lines.push_back(std::to_string((i % 4000) * 1000000007LL) + ",'x'");
                break;
            case 3:
                lines.push_back("'a rather longer string " + std::to_string(i) + "',-5");
                break;
            case 4:
                lines.push_back(i % 2 == 0 ? "" : "1,2,3");
                break;
            case 5:
                lines.push_back("7, 8");
                break;
            case 6:
                lines.push_back("'unclosed," + std::to_string(i % 100));
                break;
            case 7:
                lines.push_back(lines[i / 2]);
                break;
            default:
                lines.push_back(std::to_string(i) + ",'" + std::to_string(i % 97) + "'");
        }
        if (i == 20000) lines.push_back("'" + std::string(std::size_t{1} << 20, 'L') + "',1");
    }
    return lines;
}

TEST(BlockLoading, GivesTheRowsLinesAndFindingsOfLoadingOneBatchAtATime) {
    const std::vector<std::string> lines = mixedLines();
    const Loaded expected = load(lines, 0, nullptr);
    ASSERT_GT(expected.notAsWritten.size(), 1000u);
    for (const unsigned shardBits : {0u, 3u}) {
        for (const std::size_t threads : {1u, 2u, 4u}) {
            const RelationLoader::Threads runner = threadsOf(threads);
            const Loaded loaded = load(lines, shardBits, &runner);
            EXPECT_EQ(loaded.rows, expected.rows) << shardBits << " " << threads;
            EXPECT_EQ(loaded.lines, expected.lines) << shardBits << " " << threads;
            EXPECT_EQ(loaded.notAsWritten, expected.notAsWritten) << shardBits << " " << threads;
            if (shardBits == 0) {
                EXPECT_EQ(loaded.ids, expected.ids) << "values numbered as they come";
            }
        }
    }
}

// Each shard's values are interned in line order whatever thread takes the shard, so the ids
// are the same on any number of threads.
TEST(BlockLoading, GivesTheSameIdsOnAnyNumberOfThreads) {
    const std::vector<std::string> lines = mixedLines();
    const RelationLoader::Threads one = threadsOf(1);
    const Loaded expected = load(lines, ValuePool::kMostShardBits, &one);
    for (const std::size_t threads : {2u, 5u}) {
        const RelationLoader::Threads runner = threadsOf(threads);
        EXPECT_EQ(load(lines, ValuePool::kMostShardBits, &runner).ids, expected.ids) << threads;
    }
}

}  // namespace
