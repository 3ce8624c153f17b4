#include "data/RelationIndex.h"

#include <algorithm>
#include <utility>

#include "data/CopyFew.h"

RelationIndex::RelationIndex(std::vector<std::uint32_t> columns,
                             const GrowingArray<ValueId>& rowCells, std::size_t rowArity)
    : keyColumns(std::move(columns)),
      cells(rowCells),
      arity(rowArity),
      isUnique(keyColumns.size() <= kMostUniqueKeyColumns),
      width(keyColumns.size()),
      stride(width + 3) {}

// Whether the group's key, in its row or in its record, holds these values.
inline bool RelationIndex::rowKeyEquals(std::size_t group, const ValueId* key) const {
    const ValueId* row = rowAt(group);
    for (std::size_t i = 0; i < width; ++i) {
        if (row[keyColumns[i]] != key[i]) return false;
    }
    return true;
}

inline bool RelationIndex::recordKeyEquals(std::size_t group, const ValueId* key) const {
    const std::uint32_t* stored = recordOf(group);
    for (std::size_t i = 0; i < width; ++i) {
        if (stored[i] != key[i]) return false;
    }
    return true;
}

void RelationIndex::copyRowKey(std::size_t position, ValueId* key) const {
    const ValueId* row = rowAt(position);
    for (std::size_t i = 0; i < width; ++i) key[i] = row[keyColumns[i]];
}

std::uint32_t RelationIndex::rowKeyHashOf(std::size_t position) const {
    ValueId key[kMostUniqueKeyColumns];
    if (width <= kMostUniqueKeyColumns) {
        copyRowKey(position, key);
        return hashOf(key);
    }
    std::vector<ValueId> wideKey(width);
    copyRowKey(position, wideKey.data());
    return hashOf(wideKey.data());
}

std::uint32_t RelationIndex::tagOf(std::size_t group) const {
    if (isUnique) {
        ValueId key[kMostUniqueKeyColumns];
        copyRowKey(group, key);
        return static_cast<std::uint32_t>(hashValueIds(key, width));
    }
    return static_cast<std::uint32_t>(hashValueIds(recordOf(group), width));
}

void RelationIndex::appendRecord(const ValueId* key, std::uint32_t position) {
    std::uint32_t* record = records.appendUnfilled(stride);
    copyFew(key, width, record);
    record[width + kFirst] = position;
    record[width + kLast] = position;
    record[width + kList] = kSinglePosition;
}

void RelationIndex::makeRecords() {
    isUnique = false;
    records.reserve(groupCount * stride);
    ValueId key[kMostUniqueKeyColumns];
    for (std::size_t group = 0; group < groupCount; ++group) {
        copyRowKey(group, key);
        appendRecord(key, static_cast<std::uint32_t>(group));
    }
}

// The slot of the key's group or the free slot where it would go. Once there are records, keys
// are compared from the index's own copy, not from the rows.
inline std::size_t RelationIndex::findSlot(const ValueId* key, std::uint32_t tag) const {
    if (isUnique) return findRowSlot(key, tag);
    return slots.find(tag, [&](std::size_t group) { return recordKeyEquals(group, key); });
}

std::size_t RelationIndex::findRowSlot(const ValueId* key, std::uint32_t tag) const {
    return slots.find(tag, [&](std::size_t group) { return rowKeyEquals(group, key); });
}

// Rows are taken in small batches whose slots are fetched ahead, so that building the index of
// a large part waits for memory once per batch rather than once per row.
void RelationIndex::extend(std::size_t rowCount) {
    if (coveredRows >= rowCount) return;
    constexpr std::size_t kBatchRows = 16;
    std::vector<ValueId> keys(kBatchRows * width);
    std::uint32_t tags[kBatchRows];
    while (coveredRows < rowCount) {
        const std::size_t batch = std::min(kBatchRows, rowCount - coveredRows);
        for (std::size_t r = 0; r < batch; ++r) {
            ValueId* key = keys.data() + r * width;
            copyRowKey(coveredRows + r, key);
            tags[r] = static_cast<std::uint32_t>(hashValueIds(key, width));
            slots.prefetch(tags[r]);
        }
        for (std::size_t r = 0; r < batch; ++r, ++coveredRows)
            add(keys.data() + r * width, tags[r]);
    }
}

void RelationIndex::add(const ValueId* key, std::uint32_t tag) {
    const std::size_t slot = findSlot(key, tag);
    const auto position = static_cast<std::uint32_t>(coveredRows);
    const std::size_t group = slots.numberAt(slot);
    if (group != TaggedSlots::kNone) {
        if (isUnique) makeRecords();
        std::uint32_t* record = records.data() + group * stride;
        std::uint32_t& list = record[width + kList];
        if (list == kSinglePosition) {
            list = static_cast<std::uint32_t>(lists.size());
            lists.push_back({record[width + kFirst]});
        }
        std::vector<std::uint32_t>& positions = lists[list];
        // Lists grow by half, not double: an index of a hundred million rows holds its lists
        // with a sixth of them unused on average instead of a third.
        if (positions.size() == positions.capacity()) {
            positions.reserve(positions.size() + positions.size() / 2 + 2);
        }
        positions.push_back(position);
        record[width + kLast] = position;
        return;
    }
    if (!isUnique) appendRecord(key, position);
    slots.fill(slot, tag, groupCount++, [this](std::size_t number) { return tagOf(number); });
}

std::uint32_t RelationIndex::findGroup(const ValueId* key, std::uint32_t tag) const {
    const std::size_t group = slots.numberAt(findSlot(key, tag));
    return group == TaggedSlots::kNone ? kNoGroup : static_cast<std::uint32_t>(group);
}
