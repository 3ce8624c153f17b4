#pragma once

#include <algorithm>
#include <atomic>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "data/CopyFew.h"
#include "data/GrowingArray.h"
#include "data/RelationIndex.h"
#include "data/RowBitmap.h"
#include "data/RowHashing.h"
#include "data/TaggedSlots.h"
#include "data/ValuePool.h"

// The rows of one relation that have one length, stored back to back in insertion order, with
// no two equal rows. Committed rows are what lookups see; their positions never change. Rows
// offered during an evaluation round wait behind them as pending rows, invisible, until the
// round ends: then they may be put in order and are committed. Rows committed since the last
// markDeltaStart form the delta that the next round starts from.
class RelationPart {
public:
    explicit RelationPart(std::size_t arity);
    // Its indexes read its cells in place, so a part never moves.
    RelationPart(const RelationPart&) = delete;
    RelationPart& operator=(const RelationPart&) = delete;

    enum class Offered { Committed, Pending, Added };

    std::size_t getArity() const { return arity; }
    // The number of committed rows.
    std::size_t size() const { return committedCount; }
    std::size_t pendingCount() const { return rowCount - committedCount; }
    const ValueId* row(std::size_t position) const { return cells.data() + position * arity; }

    // Appends and commits the row unless an equal one is stored (no rows may be pending).
    // Returns the position of the row stored, new or old, and whether it was appended.
    std::pair<std::size_t, bool> insert(const ValueId* values) {
        return insert(values, hashOf(values));
    }
    std::pair<std::size_t, bool> insert(const ValueId* values, std::uint32_t tag);
    // Finds the row among committed and pending rows, or appends it as pending. A row bitmap
    // needs no hash: most rows offered are held already, and hashing them cost as much as the
    // lookup. Nor a call, but for a row outside its ranges: the closure of 100 million rows
    // offers it a billion rows.
    std::pair<std::size_t, Offered> offer(const ValueId* values) {
        if (!bits.isEmpty()) {
            return bits.covers(values) ? offerCoveredToBits(values) : offerToBits(values);
        }
        return offer(values, hashOf(values));
    }
    // The same with the row's hash computed beforehand, after prefetch has asked the memory for
    // its slot: callers with many rows at hand hide the cache misses of a large table.
    std::pair<std::size_t, Offered> offer(const ValueId* values, std::uint32_t tag) {
        restoreReleasedRowSet();
        if (!bits.isEmpty()) return offerToBits(values);
        const std::size_t slot = findSlot(values, tag);
        const std::size_t found = slots.numberAt(slot);
        if (found != TaggedSlots::kNone) {
            return {found, found < committedCount ? Offered::Committed : Offered::Pending};
        }
        return {appendAt(slot, values, tag), Offered::Added};
    }
    std::uint32_t hashOf(const ValueId* values) const {
        return static_cast<std::uint32_t>(hashValueIds(values, arity));
    }
    [[gnu::always_inline]] void prefetch(std::uint32_t tag) const { slots.prefetch(tag); }
    // Once the slot is fetched: fetches the row that a search for this tag will compare first.
    // A large table's rows are as far apart as its slots, so a search costs two misses unless
    // both are fetched ahead.
    [[gnu::always_inline]] void prefetchCandidate(std::uint32_t tag) const {
        const std::size_t number = slots.firstCandidate(tag);
        if (number != TaggedSlots::kNone) __builtin_prefetch(row(number));
    }
    // Whether the hash set has outgrown the first level of cache, so that fetching slots ahead
    // pays: from 64 KiB of slots (tc-nonlinear-chain M, 128 KiB, took 0.072 s without and
    // 0.062 s with).
    bool isLarge() const { return slots.capacity() > (std::size_t{1} << 14); }
    // Whether its slots and rows outgrow even the last level of cache, so that every search
    // waits on main memory.
    bool isBeyondCaches() const { return slots.capacity() > (std::size_t{1} << 22); }
    // The committed row equal to values: its position, or kNotFound. The row set must be
    // there (see restoreRowSet).
    static constexpr std::size_t kNotFound = ~std::size_t{0};
    std::size_t find(const ValueId* values) const { return find(values, hashOf(values)); }
    std::size_t find(const ValueId* values, std::uint32_t tag) const;
    // The position of the row equal to values, committed or pending, or kNotFound.
    std::size_t findAny(const ValueId* values, std::uint32_t tag) const {
        assert(bits.isEmpty());
        const std::size_t position = slots.numberAt(findSlot(values, tag));
        return position != TaggedSlots::kNone ? position : kNotFound;
    }
    // The position of the pending row equal to values, or kNotFound.
    std::size_t findPending(const ValueId* values, std::uint32_t tag) const {
        assert(bits.isEmpty());
        const std::size_t position = slots.numberAt(findSlot(values, tag));
        return position != TaggedSlots::kNone && position >= committedCount ? position : kNotFound;
    }
    // Whether the part holds the row, committed or pending; the row set must be there.
    bool holds(const ValueId* values) const {
        return bits.isEmpty() ? holds(values, hashOf(values)) : isHeldInBits(values);
    }
    bool holds(const ValueId* values, std::uint32_t tag) const {
        if (!bits.isEmpty()) return isHeldInBits(values);
        return slots.numberAt(findSlot(values, tag)) != TaggedSlots::kNone;
    }
    // Lets a part of rows of one or two values keep which rows it holds as a bitmap (see
    // RowBitmap) once that takes no more room than its hash set is about to grow to: taking a
    // row into a bitmap costs a bit and an append where a hash set beyond the caches costs a
    // miss, so waiting for half the room (one growth more) cost same-generation L a fifth of
    // its evaluation on the hash set's last growth and the pass before it. It then tells no
    // positions: offer reports every row held as committed, at kNotFound, and find, findAny and
    // findPending need restoreRowSet first, which makes the hash set again for good. For a
    // part whose owner only asks whether rows are there, as a rule's table is asked when its
    // rows need no key.
    void allowRowBitmap() { isRowBitmapAllowed = arity == 1 || arity == 2; }
    // Room for this many more rows; then, while other threads read the part, one may make the
    // pages of that room, which the thread that appends them would otherwise wait for.
    void reserveRows(std::size_t rows) { cells.reserveMore(rows * arity); }
    // Whether this many more rows can be appended without moving the rows there are.
    bool hasRoomFor(std::size_t rows) const {
        return cells.capacity() - cells.size() >= rows * arity;
    }
    void populateRoom(std::size_t rows) { cells.populateRoom(rows * arity); }
    bool hasRowBitmap() const { return !bits.isEmpty(); }
    // Appends a row known to be absent as pending, with its hash computed beforehand: rows
    // gathered by several threads are checked before they reach the part, which then only
    // places them.
    void appendAbsent(const ValueId* values, std::uint32_t tag);
    // The same for many rows at once, placed by several threads: makeRoomForAbsent appends
    // count pending rows to be filled in and returns the first one's position; then each is
    // written with placeAbsent, from any thread, before the part is used otherwise. Should the
    // hash set grow, runShares(n, share) is to call share(0) to share(n - 1), on any threads.
    using ShareRunner =
        std::function<void(std::size_t count, const std::function<void(std::size_t)>& share)>;
    std::size_t makeRoomForAbsent(std::size_t count, const ShareRunner& runShares);
    void placeAbsent(std::size_t position, const ValueId* values, std::uint32_t tag) {
        copyFew(values, arity, cells.data() + position * arity);
        if (bits.isEmpty()) {
            slots.fillShared(tag, position);
        } else if (bits.covers(values)) {
            bits.addShared(values);
        } else {
            isOutsideBitsPlaced.store(true, std::memory_order_relaxed);
        }
    }
    // Once every row made room for is placed: a row bitmap that a row fell outside of is made
    // again over wider ranges, or makes way for the hash set.
    void finishPlacing() {
        if (isOutsideBitsPlaced.exchange(false, std::memory_order_relaxed)) makeWayForRowsOutside();
    }

    // Gives back the hash set that finds whole rows. Stored rows are not added to once loaded
    // and most programs never look one up whole, so the set is dead weight for the rest of the
    // run. restoreRowSet makes it again, before a pass that looks rows up whole; offering a row
    // makes it again too.
    void releaseRowSet();
    void restoreRowSet() {
        if (!bits.isEmpty()) isRowBitmapAllowed = false;  // positions are wanted from now on
        if (isRowSetReleased || !bits.isEmpty()) rebuildRowSet();
    }
    // Gives back the row set and every index, once nothing will look rows up any more: the
    // rows are then only read in order.
    void releaseLookups() {
        slots = TaggedSlots();
        bits = RowBitmap();
        isRowSetReleased = true;
        indexes.clear();
    }

    // Puts the pending rows in a new order: order[i] is the pending number of the row that
    // goes to pending place i.
    void reorderPending(const std::vector<std::uint32_t>& order);
    void commitPending() { committedCount = rowCount; }

    std::size_t getDeltaStart() const { return deltaStart; }
    void markDeltaStart() { deltaStart = committedCount; }

    // The number of the index over these columns, made (empty) when there is none yet.
    std::size_t ensureIndex(const std::vector<std::uint32_t>& keyColumns);
    // Brings an index up to date with the committed rows, before a pass reads it.
    const RelationIndex& updateIndex(std::size_t number) {
        RelationIndex& chosen = *indexes[number];
        chosen.extend(committedCount);
        return chosen;
    }
    // An index as its last update left it.
    const RelationIndex& indexAt(std::size_t number) const { return *indexes[number]; }
    std::size_t indexCount() const { return indexes.size(); }
    // The committed rows an index does not hold yet, which its next update takes in.
    std::size_t rowsBehind(std::size_t number) const {
        const std::size_t covered = indexes[number]->coveredCount();
        return committedCount > covered ? committedCount - covered : 0;
    }
    // Whether an index lacks some of the rows appended so far, pending ones included.
    bool isAnyIndexBehind() const {
        return std::any_of(indexes.begin(), indexes.end(),
                           [this](const auto& index) { return index->coveredCount() < rowCount; });
    }
    // The rows appended so far, pending ones included.
    std::size_t appendedCount() const { return rowCount; }
    // Brings every index up to the first rows appended, pending ones included: lookups only see
    // the positions they ask for, so a pending row is never found early. A thread may do it while
    // another appends rows that fit in the room the part has (see hasRoomFor), as long as nothing
    // reads the indexes.
    void extendIndexes(std::size_t rows) {
        for (const auto& index : indexes) index->extend(rows);
    }

private:
    void restoreReleasedRowSet() {
        if (isRowSetReleased) rebuildRowSet();
    }
    // Makes the hash set from the rows, in place of a row bitmap too. A bitmap that a row fell
    // outside of may be made again, over wider ranges, when the hash set next grows: as the hash
    // set doubles in between, the rows are gone over a few times at most.
    void rebuildRowSet();
    std::pair<std::size_t, Offered> offerToBits(const ValueId* values);
    // For a row within the bitmap's ranges.
    std::pair<std::size_t, Offered> offerCoveredToBits(const ValueId* values) {
        if (bits.contains(values)) return {kNotFound, Offered::Committed};
        bits.add(values);
        const std::size_t position = rowCount++;
        // A part of one-value rows is passed its value alone: GCC sees more read from it.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"
        cells.append(values, arity);
#pragma GCC diagnostic pop
        return {position, Offered::Added};
    }
    bool isHeldInBits(const ValueId* values) const {
        return bits.covers(values) && bits.contains(values);
    }
    // The row bitmap does not cover every row (nor extra, when given): it is made again over
    // wider ranges if that still takes at most half the room of the hash set, which takes its
    // place otherwise.
    void makeWayForRowsOutside(const ValueId* extra = nullptr);
    // The ranges of the rows' columns, and of extra's when given.
    void findRanges(const ValueId* extra, ValueId* low, ValueId* high) const;
    // Makes the row bitmap over these ranges from the rows.
    void makeRowBitmap(const ValueId* low, const ValueId* high);
    // Before the hash set grows to slotBytes: makes a row bitmap in its place if allowed and at
    // most twice that size. Returns whether it did.
    bool isTurnedToRowBitmap(std::size_t slotBytes);
    // Returns the slot holding an equal row or the free slot where it would go. Inline: it is
    // the probe of every row offered.
    std::size_t findSlot(const ValueId* values, std::uint32_t tag) const {
        return slots.find(tag, [&](std::size_t position) { return rowEquals(position, values); });
    }
    bool rowEquals(std::size_t position, const ValueId* values) const {
        const ValueId* stored = row(position);
        // Most rows have two values. As with their hash, GCC sees a second value read where a
        // caller passes one, although the length is then one.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"
        if (arity == 2) return stored[0] == values[0] && stored[1] == values[1];
#pragma GCC diagnostic pop
        for (std::size_t i = 0; i < arity; ++i) {
            if (stored[i] != values[i]) return false;
        }
        return true;
    }
    // Appends a row known to be absent as pending, in the free slot its search ended at.
    std::size_t appendAt(std::size_t slot, const ValueId* values, std::uint32_t tag);

    std::size_t arity;
    std::size_t rowCount = 0;
    std::size_t committedCount = 0;
    std::size_t deltaStart = 0;
    GrowingArray<ValueId> cells;
    TaggedSlots slots;  // row positions by hash, unless the bits hold the rows
    bool isRowSetReleased = false;
    bool isRowBitmapAllowed = false;
    RowBitmap bits;
    std::atomic<bool> isOutsideBitsPlaced{false};
    std::vector<std::unique_ptr<RelationIndex>> indexes;
};
