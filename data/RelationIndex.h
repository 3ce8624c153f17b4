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
//
// While no two rows share a key, as in a chain or an identifier column, the index is its hash
// slots alone: a key's group is its one row, and keys are compared in the part's own cells. The
// first key found twice turns it into the general form once, with a record per group.
class RelationIndex {
public:
    explicit RelationIndex(std::vector<std::uint32_t> keyColumns);

    const std::vector<std::uint32_t>& getKeyColumns() const { return keyColumns; }
    // The part whose rows the index covers; called before each use, as the part may have moved.
    void attach(const RelationPart& part) { rows = &part; }
    // Takes in the rows appended to the attached part since the last call.
    void extend();
    std::size_t coveredCount() const { return coveredRows; }
    // The positions of the rows whose key columns hold these values; empty when none do. Valid
    // until the next lookup or extension.
    std::span<const std::uint32_t> find(const ValueId* key) const;

    // The same lookup by group number, with each group's first and last position kept beside
    // its key, so that a range that misses a group is told without touching its list.
    static constexpr std::uint32_t kNoGroup = ~std::uint32_t{0};
    std::uint32_t findGroup(const ValueId* key) const;
    // Valid until the index is extended; a group of one row is told by its bounds alone.
    std::span<const std::uint32_t> positions(std::uint32_t group) const {
        if (isUnique) {
            single = group;
            return {&single, 1};
        }
        const std::uint32_t* record = recordOf(group);
        const std::uint32_t list = record[width + kList];
        if (list == kSinglePosition) return {record + width + kFirst, 1};
        return {lists[list].data(), lists[list].size()};
    }
    std::uint32_t firstPosition(std::uint32_t group) const {
        return isUnique ? group : recordOf(group)[width + kFirst];
    }
    std::uint32_t lastPosition(std::uint32_t group) const {
        return isUnique ? group : recordOf(group)[width + kLast];
    }

private:
    std::size_t findSlot(const ValueId* key, std::uint32_t tag) const;
    std::size_t findRowSlot(const ValueId* key, std::uint32_t tag) const;
    // Adds the row at coveredRows, whose key and its hash are given.
    void add(const ValueId* key, std::uint32_t tag);
    bool rowKeyEquals(std::size_t group, const ValueId* key) const;
    bool recordKeyEquals(std::size_t group, const ValueId* key) const;
    void copyRowKey(std::size_t position, ValueId* key) const;
    std::uint32_t tagOf(std::size_t group) const;
    // A new group of one row, at this position.
    void appendRecord(const ValueId* key, std::uint32_t position);
    // Gives every row so far its own group record, as the first repeated key arrives.
    void makeRecords();

    const std::uint32_t* recordOf(std::size_t group) const {
        return records.data() + group * stride;
    }

    // Wider keys start with records: the unique form copies a row's key to hash it.
    static constexpr std::size_t kMostUniqueKeyColumns = 8;

    std::vector<std::uint32_t> keyColumns;
    const RelationPart* rows = nullptr;
    bool isUnique;  // groups are row positions and there are no records yet
    mutable std::uint32_t single = 0;  // the one position a group of the unique form lists
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
