#pragma once

#include <cstdint>
#include <deque>
#include <string>

#include "data/DataColumn.h"
#include "data/DataInteger.h"
#include "data/DataRow.h"
#include "data/DataString.h"

// Owns every value, column and row of the run. Deques never move their elements, so the
// pointers handed out stay valid until the program ends, when each deque frees its own type.
class RunStore {
public:
    DataInteger& makeInteger(std::int64_t value, const DataColumn* column);
    DataString& makeString(std::string value, const DataColumn* column);
    DataColumn& makeColumn(std::string name, std::string type);
    DataRow& makeRow();

    // Frees everything at once, for harnesses that run many independent programs in one
    // process; every pointer handed out before becomes invalid.
    void clear();

private:
    std::deque<DataInteger> integers;
    std::deque<DataString> strings;
    std::deque<DataColumn> columns;
    std::deque<DataRow> rows;
};

// The one store of the run. Parsers and operations that build values reach it here.
RunStore& runStore();
