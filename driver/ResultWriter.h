#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "data/RelationTable.h"
#include "data/ValuePool.h"
#include "driver/OutputChunks.h"
#include "engine/WorkerPool.h"
#include "rules/Rule.h"

// Writes each rule's relation in rule order: the header with the head's variables, one line
// per row with the printed values separated by ",", and an empty line. A row without values
// prints nothing. Text goes out in large chunks rather than one string per relation. With
// several workers, they format blocks of rows side by side, and the blocks go out in order.
// wroteRows, when given, hears after each block how many rows of all the tables are written.
// firstRowsWritten rows of the first relation, and its header with them, are written already
// (see EarlyRows).
void writeResults(const std::function<void(std::string_view)>& write,
                  const std::vector<std::pair<std::string, Rule>>& rules,
                  const std::vector<RelationTable>& idb, const ValuePool& pool, WorkerPool& workers,
                  const std::function<void(std::uint64_t)>& wroteRows = nullptr,
                  std::size_t firstRowsWritten = 0);

// Writes the first relation's committed rows while evaluation goes on, a few at a time, on
// threads that would otherwise wait: a committed row keeps its place whatever is derived after
// it, and the first relation follows the echo. Its header goes out with its first rows.
class EarlyRows {
public:
    EarlyRows(const std::function<void(std::string_view)>& write, const Rule& firstRule,
              const ValuePool& pool);
    // Writes some of the table's committed rows not written yet; false when there were none.
    bool writeMore(const RelationTable& table);
    // Hands over what is gathered; returns how many rows are written.
    std::size_t finish();

private:
    OutputChunks out;
    const Rule& rule;
    const ValuePool& values;
    std::size_t written = 0;
};
