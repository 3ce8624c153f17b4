#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "data/GrowingArray.h"
#include "data/TaggedSlots.h"
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
    std::size_t coveredCount() const { return coveredRows; }
    // The positions of the rows whose key columns hold these values; empty when none do.
    std::span<const std::uint32_t> find(const ValueId* key) const;

    // The same lookup by group number, with each group's first and last position kept beside
    // its key, so that a range that misses a group is told without touching its list.
    static constexpr std::uint32_t kNoGroup = ~std::uint32_t{0};
    std::uint32_t findGroup(const ValueId* key) const;
    // Valid until the index is extended.
    std::span<const std::uint32_t> positions(std::uint32_t group) const {
        const std::uint32_t* record = recordOf(group);
        const std::uint32_t list = record[width + kList];
        if (list == kSinglePosition) return {record + width + kFirst, 1};
        return {lists[list].data(), lists[list].size()};
    }
    std::uint32_t firstPosition(std::uint32_t group) const {
        return recordOf(group)[width + kFirst];
    }
    std::uint32_t lastPosition(std::uint32_t group) const { return recordOf(group)[width + kLast]; }

private:
    std::size_t findSlot(const ValueId* key, std::uint32_t tag) const;
    // Adds the row at coveredRows, whose key and its hash are given.
    void add(const ValueId* key, std::uint32_t tag);
    bool keyEquals(std::size_t group, const ValueId* key) const;

    const std::uint32_t* recordOf(std::size_t group) const {
        return records.data() + group * stride;
    }

    std::vector<std::uint32_t> keyColumns;
    std::size_t width;   // key columns
    std::size_t stride;  // numbers per group record
    std::size_t coveredRows = 0;
    // A group's record is its key, then its first and last position and its list, side by side
    // so that finding a key and its bounds costs one memory access. Most keys of a large index
    // hold one row: such a group is its record alone, and only a group with more rows gets a
    // list of its own.
    static constexpr std::size_t kFirst = 0;
    static constexpr std::size_t kLast = 1;
    static constexpr std::size_t kList = 2;
    static constexpr std::uint32_t kSinglePosition = ~std::uint32_t{0};
    GrowingArray<std::uint32_t> records;
    std::size_t groupCount = 0;
    std::vector<std::vector<std::uint32_t>> lists;
    TaggedSlots slots;  // group numbers by key hash
};
