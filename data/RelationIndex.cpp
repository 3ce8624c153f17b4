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
    copyRowKey(cells.data(), position, key);
}

void RelationIndex::copyRowKey(const ValueId* rows, std::size_t position, ValueId* key) const {
    const ValueId* row = rows + position * arity;
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

// Whether the row at this position has the key of the row before it; rows are the part's cells.
inline bool RelationIndex::hasKeyOfRowBefore(const ValueId* rows, std::size_t position) const {
    const ValueId* row = rows + position * arity;
    const ValueId* before = row - arity;
    for (std::size_t i = 0; i < width; ++i) {
        if (row[keyColumns[i]] != before[keyColumns[i]]) return false;
    }
    return true;
}

// Rows are taken in small batches whose slots are fetched ahead, so that building the index of
// a large part waits for memory once per batch rather than once per row. Rows with the key of the
// row before them join that row's group without a search, a run at a time: a pass finds its rows
// outer row by outer row, so an index on the columns the outer reference binds meets each key many
// times in a row (98% of the rows of the closure of a random graph, 99% of same-generation's).
void RelationIndex::extend(std::size_t rowCount) {
    if (coveredRows >= rowCount) return;
    constexpr std::size_t kBatchRows = 16;
    std::vector<ValueId> keys(kBatchRows * width);
    std::uint32_t tags[kBatchRows];
    // Read once: the cells do not move while the index takes them in, but another thread may be
    // appending rows to them, which writes the count beside where they start, so a read of the
    // start at every row would wait for that cache line to come back.
    const ValueId* rows = cells.data();
    // The unique form takes records at its first repeated key, in add.
    const auto isRepeat = [&](std::size_t position) {
        return !isUnique && position > 0 && hasKeyOfRowBefore(rows, position);
    };
    while (coveredRows < rowCount) {
        if (isRepeat(coveredRows)) {
            std::size_t end = coveredRows + 1;
            while (end < rowCount && hasKeyOfRowBefore(rows, end)) ++end;
            appendRun(lastGroup, coveredRows, end);
            coveredRows = end;
            continue;
        }
        std::size_t batch = 0;
        for (; batch < kBatchRows && coveredRows + batch < rowCount; ++batch) {
            const std::size_t position = coveredRows + batch;
            if (batch > 0 && isRepeat(position)) break;
            ValueId* key = keys.data() + batch * width;
            copyRowKey(rows, position, key);
            tags[batch] = static_cast<std::uint32_t>(hashValueIds(key, width));
            slots.prefetch(tags[batch]);
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
        appendRun(group, position, position + std::size_t{1});
        lastGroup = group;
        return;
    }
    if (!isUnique) appendRecord(key, position);
    lastGroup = groupCount;
    slots.fill(slot, tag, groupCount++, [this](std::size_t number) { return tagOf(number); });
}

void RelationIndex::appendRun(std::size_t group, std::size_t first, std::size_t end) {
    std::uint32_t* record = records.data() + group * stride;
    std::uint32_t& list = record[width + kList];
    if (list == kSinglePosition) {
        list = static_cast<std::uint32_t>(lists.size());
        lists.push_back({record[width + kFirst]});
    }
    std::vector<std::uint32_t>& positions = lists[list];
    // Lists grow by half, not double: an index of a hundred million rows holds its lists with a
    // sixth of them unused on average instead of a third. A run takes the steps that its rows one
    // at a time would: lists of other sizes left tc-random L's freed blocks less reusable (3 MiB).
    const std::size_t needed = positions.size() + (end - first);
    if (needed > positions.capacity()) {
        std::size_t room = positions.capacity();
        while (room < needed) room += room / 2 + 2;
        positions.reserve(room);
    }
    for (std::size_t position = first; position < end; ++position) {
        positions.push_back(static_cast<std::uint32_t>(position));
    }
    record[width + kLast] = static_cast<std::uint32_t>(end - 1);
}

std::uint32_t RelationIndex::findGroup(const ValueId* key, std::uint32_t tag) const {
    const std::size_t group = slots.numberAt(findSlot(key, tag));
    return group == TaggedSlots::kNone ? kNoGroup : static_cast<std::uint32_t>(group);
}
