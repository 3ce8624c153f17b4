#pragma once

#include <cstdint>
#include <vector>

#include "data/ValuePool.h"

class RelationPart;

// A hash index over some columns of a relation part. Each key maps to the positions of the rows
// holding it in ascending order, so walking a list visits rows in insertion order and a range of
// positions (older rows, the latest delta) is found by binary search.
class RelationIndex {
public:
    explicit RelationIndex(std::vector<std::uint32_t> keyColumns);

    const std::vector<std::uint32_t>& getKeyColumns() const { return keyColumns; }
    // Takes in the rows appended to the part since the last call.
    void extend(const RelationPart& part);
    // The positions of the rows whose key columns hold these values, or null.
    const std::vector<std::uint32_t>* find(const RelationPart& part, const ValueId* key) const;

private:
    std::uint64_t hashRowKey(const ValueId* row) const;
    bool keyMatches(const RelationPart& part, std::uint32_t group, const ValueId* key) const;
    bool rowKeyMatches(const RelationPart& part, std::uint32_t group, const ValueId* row) const;
    void grow(const RelationPart& part);

    std::vector<std::uint32_t> keyColumns;
    std::size_t coveredRows = 0;
    std::vector<std::vector<std::uint32_t>> groups;
    std::vector<std::uint32_t> slots;  // group number + 1; 0 marks a free slot
};
