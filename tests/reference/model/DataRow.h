#pragma once

#include <cstddef>
#include <vector>

class Data;

// An ordered list of shared values. Rows are built once and never changed after they enter a
// relation, so several relations can hold the same row object.
class DataRow {
public:
    DataRow() = default;

    void add(const Data* value) { values.push_back(value); }
    const Data* get(std::size_t position) const { return values[position]; }
    std::size_t size() const { return values.size(); }
    const std::vector<const Data*>& valuesView() const { return values; }

private:
    std::vector<const Data*> values;
};

// Rows are equal when they have the same length and, cell by cell, the same class and value.
struct RowHash {
    std::size_t operator()(const DataRow* row) const;
};
struct RowEqual {
    bool operator()(const DataRow* left, const DataRow* right) const;
};
