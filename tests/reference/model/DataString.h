#pragma once

#include <string>

#include "tests/reference/model/Data.h"

class DataColumn;

// A byte-string cell. Ordering is byte by byte, unsigned, without locale.
class DataString final : public Data {
public:
    DataString(std::string value, const DataColumn* column);

    std::string getValue() const { return value; }
    const std::string& valueView() const { return value; }
    const DataColumn* getColumn() const { return column; }
    void setColumn(const DataColumn* newColumn) { column = newColumn; }

    std::string toString() const override;
    std::string getType() const override;
    bool equals(const Data& other) const override;
    bool lessThan(const Data& other) const override;
    bool greaterThan(const Data& other) const override;
    std::size_t hash() const override;

private:
    std::string value;
    const DataColumn* column;
};
