#include "data/RunStore.h"

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

void RunStore::clear() {
    integers.clear();
    strings.clear();
    columns.clear();
    rows.clear();
}

RunStore& runStore() {
    static RunStore store;
    return store;
}
