#include "tests/reference/model/DataRow.h"

#include "tests/reference/model/Data.h"

std::size_t RowHash::operator()(const DataRow* row) const {
    std::size_t seed = row->size();
    for (const Data* value : row->valuesView()) {
        seed ^= value->hash() + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2);
    }
    return seed;
}

bool RowEqual::operator()(const DataRow* left, const DataRow* right) const {
    if (left == right) return true;
    if (left->size() != right->size()) return false;
    for (std::size_t i = 0; i < left->size(); ++i) {
        if (!left->get(i)->equals(*right->get(i))) return false;
    }
    return true;
}
