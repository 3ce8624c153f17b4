#pragma once

#include <cstddef>
#include <vector>

#include "tests/reference/model/Relation.h"

// The rows of a that b lacks, in a's order, under a's name and columns.
Relation difference(const Relation& a, const Relation& b);

// For every row, the values at the given positions in that order; rows that become equal
// collapse into the first. The result has no name and the columns at those positions.
// The store owns the new rows.
Relation project(const Relation& relation, const std::vector<std::size_t>& positions,
                 RunStore& store);
