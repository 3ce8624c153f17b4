#pragma once

#include <cstdint>
#include <deque>
#include <string>

#include "data/Value.h"
#include "tests/reference/model/DataColumn.h"
#include "tests/reference/model/DataInteger.h"
#include "tests/reference/model/DataRow.h"
#include "tests/reference/model/DataString.h"

// Owns every value, column and row of one reference run. Deques never move their elements, so
// the pointers handed out stay valid until the store goes, when each deque frees its own type.
class RunStore {
public:
    // A rule's constant as a value of its class.
    const Data* makeValue(const Value& value, const DataColumn* column);
    DataInteger& makeInteger(std::int64_t value, const DataColumn* column);
    DataString& makeString(std::string value, const DataColumn* column);
    DataColumn& makeColumn(std::string name, std::string type);
    DataRow& makeRow();

private:
    std::deque<DataInteger> integers;
    std::deque<DataString> strings;
    std::deque<DataColumn> columns;
    std::deque<DataRow> rows;
};
