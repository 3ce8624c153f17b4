#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "data/GrowingArray.h"
#include "data/RowHashing.h"
#include "data/TaggedSlots.h"
#include "data/ValuePool.h"

// A hash index over some columns of the rows of a relation part, which it reads in the part's
// cell array (rows of arity cells, back to back). Each key maps to the positions of the rows
// holding it in ascending order, so walking a list visits rows in insertion order and a range of
// positions (older rows, the latest delta) is found by binary search.
//
// While no two rows share a key, as in a chain or an identifier column, the index is its hash
// slots alone: a key's group is its one row, and keys are compared in the part's own cells. The
// first key found twice turns it into the general form once, with a record per group.
class RelationIndex {
public:
    // The cells must outlive the index; they may move as they grow.
    RelationIndex(std::vector<std::uint32_t> keyColumns, const GrowingArray<ValueId>& cells,
                  std::size_t arity);
    RelationIndex(const RelationIndex&) = delete;
    RelationIndex& operator=(const RelationIndex&) = delete;

    const std::vector<std::uint32_t>& getKeyColumns() const { return keyColumns; }
    // Takes in the rows from coveredCount() up to rowCount.
    void extend(std::size_t rowCount);
    std::size_t coveredCount() const { return coveredRows; }

    // The group of the rows whose key columns hold these values, or kNoGroup. Each group's
    // first and last position are kept beside its key, so that a range that misses a group is
    // told without touching its list.
    static constexpr std::uint32_t kNoGroup = ~std::uint32_t{0};
    std::uint32_t findGroup(const ValueId* key) const { return findGroup(key, hashOf(key)); }
    // The same with the key's hash computed beforehand.
    std::uint32_t findGroup(const ValueId* key, std::uint32_t hash) const;
    std::uint32_t hashOf(const ValueId* key) const {
        return static_cast<std::uint32_t>(hashValueIds(key, width));
    }
    // The hash of the key of the row at this position.
    std::uint32_t rowKeyHashOf(std::size_t position) const;
    // A group's positions, valid until the index is extended. A group of one row has no list:
    // its position is written to only, which the result then views.
    std::span<const std::uint32_t> positions(std::uint32_t group, std::uint32_t& only) const {
        if (isUnique) {
            only = group;
            return {&only, 1};
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
    // Adds the rows at positions first to end to the group, which has records.
    void appendRun(std::size_t group, std::size_t first, std::size_t end);
    bool hasKeyOfRowBefore(const ValueId* rows, std::size_t position) const;
    bool rowKeyEquals(std::size_t group, const ValueId* key) const;
    bool recordKeyEquals(std::size_t group, const ValueId* key) const;
    void copyRowKey(std::size_t position, ValueId* key) const;
    void copyRowKey(const ValueId* rows, std::size_t position, ValueId* key) const;
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

    const ValueId* rowAt(std::size_t position) const { return cells.data() + position * arity; }

    std::vector<std::uint32_t> keyColumns;
    const GrowingArray<ValueId>& cells;
    std::size_t arity;
    bool isUnique;       // groups are row positions and there are no records yet
    std::size_t width;   // key columns
    std::size_t stride;  // numbers per group record
    std::size_t coveredRows = 0;
    std::size_t lastGroup = 0;  // the group of the row at coveredRows - 1
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
