#include "tests/reference/model/RunStore.h"

#include <utility>

DataInteger& RunStore::makeInteger(std::int64_t value, const DataColumn* column) {
    return integers.emplace_back(value, column);
}

DataString& RunStore::makeString(std::string value, const DataColumn* column) {
    return strings.emplace_back(std::move(value), column);
}

DataColumn& RunStore::makeColumn(std::string name, std::string type) {
    return columns.emplace_back(std::move(name), std::move(type));
}

DataRow& RunStore::makeRow() { return rows.emplace_back(); }

const Data* RunStore::makeValue(const Value& value, const DataColumn* column) {
    if (value.isInteger()) return &makeInteger(value.integerValue(), column);
    return &makeString(std::string(value.stringValue()), column);
}
