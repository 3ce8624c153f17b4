#include "data/RelationPart.h"

#include <algorithm>
#include <cassert>

RelationPart::RelationPart(std::size_t rowArity) : arity(rowArity) {}

std::size_t RelationPart::appendAt(std::size_t slot, const ValueId* values, std::uint32_t tag) {
    const std::size_t position = rowCount++;
    cells.append(values, arity);
    if (isRowBitmapAllowed) {
        const std::size_t grown = slots.capacityFor(1);
        if (grown > slots.capacity() && isTurnedToRowBitmap(grown * sizeof(std::uint32_t))) {
            return position;  // the new row is among the bits
        }
    }
    slots.fill(slot, tag, position, [this](std::size_t number) { return hashOf(row(number)); });
    return position;
}

std::size_t RelationPart::makeRoomForAbsent(std::size_t count, const ShareRunner& runShares) {
    restoreReleasedRowSet();
    if (bits.isEmpty()) {
        const std::size_t grown = slots.capacityFor(count);
        const bool isTurned = isRowBitmapAllowed && grown > slots.capacity() &&
                              isTurnedToRowBitmap(grown * sizeof(std::uint32_t));
        // Slots are made room for first: growing reads the rows already there, not the new
        // ones.
        if (!isTurned) {
            slots.reserveShared(
                count, [this](std::size_t number) { return hashOf(row(number)); }, runShares);
        }
    }
    const std::size_t first = rowCount;
    cells.appendUnfilled(count * arity);
    rowCount += count;
    return first;
}

std::pair<std::size_t, bool> RelationPart::insert(const ValueId* values, std::uint32_t tag) {
    const auto [position, offered] = offer(values, tag);
    commitPending();
    return {position, offered == Offered::Added};
}

std::size_t RelationPart::find(const ValueId* values, std::uint32_t tag) const {
    assert(!isRowSetReleased && bits.isEmpty());
    const std::size_t position = slots.numberAt(findSlot(values, tag));
    return position < committedCount ? position : kNotFound;
}

void RelationPart::appendAbsent(const ValueId* values, std::uint32_t tag) {
    restoreReleasedRowSet();
    if (!bits.isEmpty()) {
        offerToBits(values);
        return;
    }
    appendAt(slots.find(tag, [](std::size_t) { return false; }), values, tag);
}

std::pair<std::size_t, RelationPart::Offered> RelationPart::offerToBits(const ValueId* values) {
    if (!bits.covers(values)) {
        makeWayForRowsOutside(values);
        if (bits.isEmpty()) return offer(values, hashOf(values));
    }
    return offerCoveredToBits(values);
}

// The ranges are those of the rows so far: the rows of a closure draw their values from the rows
// it starts from, so that its later rows mostly fall within them too. The bitmap may take up to
// the room of the hash set's growth after this one: a table that has grown this far mostly goes
// on growing, and until its hash set reached the bitmap's size, its passes would probe a hash set
// beyond the caches and, on several threads, place their rows through it.
bool RelationPart::isTurnedToRowBitmap(std::size_t slotBytes) {
    if (!isRowBitmapAllowed || rowCount == 0) return false;
    ValueId low[2];
    ValueId high[2];
    findRanges(nullptr, low, high);
    if (RowBitmap::bytesFor(arity, low, high) > 2 * slotBytes) return false;
    slots = TaggedSlots();
    makeRowBitmap(low, high);
    return true;
}

// A range that grows is widened by half its new width on the side it grew, so that a relation
// whose values grow row by row, as the nodes met along a chain, makes its bitmap again only as
// often as a hash set would grow.
void RelationPart::makeWayForRowsOutside(const ValueId* extra) {
    ValueId low[2];
    ValueId high[2];
    findRanges(extra, low, high);
    ValueId widenedLow[2];
    ValueId widenedHigh[2];
    for (std::size_t column = 0; column < arity; ++column) {
        const std::uint64_t half = (std::uint64_t{high[column]} - low[column] + 1) / 2;
        widenedLow[column] = low[column];
        widenedHigh[column] = high[column];
        if (low[column] < bits.lowOf(column)) {
            widenedLow[column] = static_cast<ValueId>(low[column] > half ? low[column] - half : 0);
        }
        if (high[column] > bits.highOf(column)) {
            widenedHigh[column] = static_cast<ValueId>(
                std::min<std::uint64_t>(std::uint64_t{high[column]} + half, ~ValueId{0}));
        }
    }
    const std::uint64_t room = TaggedSlots::slotsFor(rowCount + 1) * sizeof(std::uint32_t) / 2;
    bits = RowBitmap();
    if (RowBitmap::bytesFor(arity, widenedLow, widenedHigh) <= room) {
        makeRowBitmap(widenedLow, widenedHigh);
    } else if (RowBitmap::bytesFor(arity, low, high) <= room) {
        makeRowBitmap(low, high);
    } else {
        rebuildRowSet();
    }
}

void RelationPart::findRanges(const ValueId* extra, ValueId* low, ValueId* high) const {
    for (std::size_t column = 0; column < arity; ++column) {
        low[column] = extra != nullptr ? extra[column] : ~ValueId{0};
        high[column] = extra != nullptr ? extra[column] : 0;
    }
    for (std::size_t at = 0; at < rowCount * arity; at += arity) {
        for (std::size_t column = 0; column < arity; ++column) {
            low[column] = std::min(low[column], cells[at + column]);
            high[column] = std::max(high[column], cells[at + column]);
        }
    }
}

void RelationPart::makeRowBitmap(const ValueId* low, const ValueId* high) {
    bits = RowBitmap(arity, low, high);
    for (std::size_t position = 0; position < rowCount; ++position) bits.add(row(position));
}

// Points the pending rows' hash slots at their new positions, then moves their cells into the new
// order in place, cycle by cycle; committed rows are not touched.
void RelationPart::reorderPending(const std::vector<std::uint32_t>& order) {
    restoreRowSet();
    const std::size_t pending = order.size();
    // All slots are found before any is changed, so no search meets a rewritten position. Both
    // walks visit the slots in no order, so each slot is fetched ahead of its use.
    std::vector<std::uint32_t> slotOfRow(pending);
    slots.visitFetchingAhead(
        committedCount, committedCount + pending,
        [this](std::size_t position) { return hashOf(row(position)); },
        [&](std::uint32_t tag, std::size_t position) {
            slotOfRow[position - committedCount] = static_cast<std::uint32_t>(
                slots.find(tag, [position](std::size_t number) { return number == position; }));
        });
    constexpr std::size_t kAhead = 16;
    for (std::size_t place = 0; place < pending; ++place) {
        if (place + kAhead < pending) slots.prefetchSlot(slotOfRow[order[place + kAhead]]);
        slots.renumber(slotOfRow[order[place]], committedCount + place);
    }
    std::vector<std::uint32_t>().swap(slotOfRow);
    ValueId* pendingCells = cells.data() + committedCount * arity;
    std::vector<bool> isPlaced(pending, false);
    std::vector<ValueId> carried(arity);
    for (std::size_t start = 0; start < pending; ++start) {
        if (isPlaced[start]) continue;
        std::copy_n(pendingCells + start * arity, arity, carried.begin());
        std::size_t place = start;
        for (;;) {
            isPlaced[place] = true;
            const std::size_t from = order[place];
            if (from == start) break;
            std::copy_n(pendingCells + from * arity, arity, pendingCells + place * arity);
            place = from;
        }
        std::copy_n(carried.begin(), arity, pendingCells + place * arity);
    }
}

void RelationPart::releaseRowSet() {
    slots = TaggedSlots();
    bits = RowBitmap();
    isRowSetReleased = true;
    cells.shrinkToFit();  // stored rows are done growing: the room beyond them goes back too
}

// Rows are distinct, so each goes to the first free slot of its search.
void RelationPart::rebuildRowSet() {
    isRowSetReleased = false;
    bits = RowBitmap();
    slots = TaggedSlots(rowCount);
    for (std::size_t position = 0; position < rowCount; ++position) {
        const std::uint32_t tag = hashOf(row(position));
        const std::size_t slot = slots.find(tag, [](std::size_t) { return false; });
        slots.fill(slot, tag, position, [this](std::size_t number) { return hashOf(row(number)); });
    }
}

std::size_t RelationPart::ensureIndex(const std::vector<std::uint32_t>& keyColumns) {
    for (std::size_t number = 0; number < indexes.size(); ++number) {
        if (indexes[number]->getKeyColumns() == keyColumns) return number;
    }
    indexes.push_back(std::make_unique<RelationIndex>(keyColumns, cells, arity));
    return indexes.size() - 1;
}
