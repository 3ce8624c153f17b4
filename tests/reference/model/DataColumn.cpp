#include "tests/reference/model/DataColumn.h"

#include <utility>

DataColumn::DataColumn(std::string newName, std::string newType)
    : name(std::move(newName)), type(std::move(newType)) {}
