#pragma once

#include <cstdint>

#include "tests/reference/model/Data.h"

class DataColumn;

// A signed 64-bit integer cell.
class DataInteger final : public Data {
public:
    DataInteger(std::int64_t value, const DataColumn* column);

    std::int64_t getValue() const { return value; }
    const DataColumn* getColumn() const { return column; }
    void setColumn(const DataColumn* newColumn) { column = newColumn; }

    std::string toString() const override;
    std::string getType() const override;
    bool equals(const Data& other) const override;
    bool lessThan(const Data& other) const override;
    bool greaterThan(const Data& other) const override;
    std::size_t hash() const override;

private:
    std::int64_t value;
    const DataColumn* column;
};
