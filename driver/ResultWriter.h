#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "data/RelationTable.h"
#include "data/ValuePool.h"
#include "engine/WorkerPool.h"
#include "rules/Rule.h"

// Writes each rule's relation in rule order: the header with the head's variables, one line
// per row with the printed values separated by ",", and an empty line. A row without values
// prints nothing. Text goes out in large chunks rather than one string per relation. With
// several workers, they format blocks of rows side by side, and the blocks go out in order.
// wroteRows, when given, hears after each block how many rows of all the tables are written.
void writeResults(const std::function<void(std::string_view)>& write,
                  const std::vector<std::pair<std::string, Rule>>& rules,
                  const std::vector<RelationTable>& idb, const ValuePool& pool, WorkerPool& workers,
                  const std::function<void(std::uint64_t)>& wroteRows = nullptr);
