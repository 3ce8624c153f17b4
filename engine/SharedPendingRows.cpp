#include "engine/SharedPendingRows.h"

#include <algorithm>
#include <bit>
#include <functional>

#include "data/CopyFew.h"
#include "data/RowHashing.h"
#include "data/TaggedSlots.h"

namespace {

// A mark's top bit says the row stays; below it, once counted, the number of rows that stay
// before it in its slice.
constexpr std::uint32_t kStays = std::uint32_t{1} << 31;

}  // namespace

SharedPendingRows::SharedPendingRows(std::size_t rowArity, std::size_t width,
                                     std::size_t workerCount)
    : arity(rowArity), keyWidth(width) {
    // Enough groups that the search for repeats balances across the threads; every slice
    // keeps a list per group, so there are never very many.
    constexpr std::size_t kMostGroups = 256;
    groupCount = std::bit_ceil(std::clamp<std::size_t>(workerCount * 4, 4, kMostGroups));
    groupShift = static_cast<unsigned>(64 - std::countr_zero(groupCount));
}

std::size_t SharedPendingRows::addSlices(std::size_t count) {
    const std::size_t first = sliceCount;
    sliceCount += count;
    slicesOfPass = std::max(slicesOfPass, sliceCount);
    if (slices.size() < sliceCount) slices.resize(sliceCount);
    for (std::size_t s = first; s < sliceCount; ++s) {
        if (slices[s].groups.size() != groupCount) slices[s].groups.resize(groupCount);
    }
    return first;
}

void SharedPendingRows::add(std::size_t number, const ValueId* row, std::uint64_t hash,
                            const std::uint32_t* key) {
    Slice& slice = slices[number];
    GrowingArray<std::uint32_t>& group = slice.groups[hash >> groupShift];
    std::uint32_t* entry = group.appendUnfilled(entryWidth());
    entry[0] = slice.count++;
    entry[1] = static_cast<std::uint32_t>(hash);
    copyFew(row, arity, entry + 2);
    if (keyWidth > 0) copyFew(key, keyWidth, entry + 2 + arity);
}

bool SharedPendingRows::isEmpty() const {
    for (std::size_t s = 0; s < sliceCount; ++s) {
        if (slices[s].count > 0) return false;
    }
    return true;
}

std::size_t SharedPendingRows::moveTo(RelationPart& part, WorkerPool& workers) {
    std::size_t total = 0;
    for (std::size_t s = 0; s < sliceCount; ++s) total += slices[s].count;
    if (total == 0) {
        for (std::size_t s = 0; s < sliceCount; ++s) forget(slices[s]);
        sliceCount = 0;
        return 0;
    }
    // A few rows are not worth waking the workers for: the many small iterations of a long
    // chain would wait on them more than they work.
    constexpr std::size_t kRowsForWorkers = 4096;
    const auto share = [&](std::size_t tasks, const std::function<void(std::size_t)>& task) {
        if (total < kRowsForWorkers) {
            for (std::size_t number = 0; number < tasks; ++number) task(number);
        } else {
            workers.run(tasks, [&task](std::size_t number, std::size_t) { task(number); });
        }
    };
    for (std::size_t s = 0; s < sliceCount; ++s) slices[s].marks.assign(slices[s].count, 0);
    share(groupCount, [&](std::size_t group) { markFirsts(group, part); });
    // Each slice counts the rows that stay before each of its rows; the slices' totals give
    // where each slice's rows begin.
    share(sliceCount, [this](std::size_t number) {
        std::uint32_t staying = 0;
        for (std::uint32_t& mark : slices[number].marks) {
            const bool stays = mark != 0;
            mark = stays ? (kStays | staying) : staying;
            staying += stays ? 1 : 0;
        }
    });
    std::vector<std::size_t> starts(sliceCount + 1, 0);
    for (std::size_t s = 0; s < sliceCount; ++s) {
        std::size_t staying = 0;
        const std::vector<std::uint32_t>& marks = slices[s].marks;
        if (!marks.empty()) {
            // The last row's mark holds the count before it.
            const std::uint32_t last = marks.back();
            staying = (last & ~kStays) + ((last & kStays) != 0 ? 1 : 0);
        }
        starts[s + 1] = starts[s] + staying;
    }
    // Growing the table places every row already in again: a share of many rows each, on the
    // workers.
    const std::size_t first = part.makeRoomForAbsent(
        starts[sliceCount],
        [&workers](std::size_t tasks, const std::function<void(std::size_t)>& task) {
            if (tasks > 1) {
                workers.run(tasks, [&task](std::size_t number, std::size_t) { task(number); });
            } else if (tasks == 1) {
                task(0);
            }
        });
    if (keyWidth > 0) pendingKeys.appendUnfilled(starts[sliceCount] * keyWidth);
    share(sliceCount,
          [&](std::size_t number) { place(slices[number], first + starts[number], part); });
    part.finishPlacing();
    for (std::size_t s = 0; s < sliceCount; ++s) forget(slices[s]);
    sliceCount = 0;
    return total;
}

// Marks, in one group, the first of every set of equal rows, slice by slice in order: the
// place a single thread would have kept. With keys, the row with the smallest key is marked
// instead, and a row pending in the part already only lowers that row's key: rows of one hash
// group belong to this group alone, so no other thread touches those keys.
void SharedPendingRows::markFirsts(std::size_t group, const RelationPart& part) {
    const std::size_t width = entryWidth();
    std::size_t entryCount = 0;
    for (std::size_t s = 0; s < sliceCount; ++s) entryCount += slices[s].groups[group].size();
    if (entryCount == 0) return;  // as most groups are in the small iterations of a long chain
    entryCount /= width;
    TaggedSlots seen(entryCount);
    struct First {
        const std::uint32_t* entry;
        std::size_t slice;
    };
    std::vector<First> firsts;
    firsts.reserve(entryCount);
    for (std::size_t s = 0; s < sliceCount; ++s) {
        Slice& slice = slices[s];
        const GrowingArray<std::uint32_t>& entries = slice.groups[group];
        for (std::size_t at = 0; at < entries.size(); at += width) {
            const std::uint32_t* entry = entries.data() + at;
            const std::uint32_t tag = entry[1];
            if (keyWidth > 0) {
                const std::size_t pending = part.findPending(entry + 2, tag);
                if (pending != RelationPart::kNotFound) {
                    std::uint32_t* stored = pendingKeys.data() + (pending - part.size()) * keyWidth;
                    const std::uint32_t* key = entry + 2 + arity;
                    if (isKeyLess(key, stored)) copyFew(key, keyWidth, stored);
                    continue;
                }
            }
            const std::size_t slot = seen.find(tag, [&](std::size_t number) {
                return std::equal(entry + 2, entry + 2 + arity, firsts[number].entry + 2);
            });
            const std::size_t number = seen.numberAt(slot);
            if (number != TaggedSlots::kNone) {
                First& first = firsts[number];
                if (keyWidth > 0 && isKeyLess(entry + 2 + arity, first.entry + 2 + arity)) {
                    slices[first.slice].marks[first.entry[0]] = 0;
                    slice.marks[entry[0]] = kStays;
                    first = {entry, s};
                }
                continue;
            }
            slice.marks[entry[0]] = kStays;
            firsts.push_back({entry, s});
            seen.fill(slot, tag, firsts.size() - 1,
                      [&firsts](std::size_t n) { return firsts[n].entry[1]; });
        }
    }
}

// The slots of a large table are fetched a few rows ahead of placing them.
void SharedPendingRows::place(Slice& slice, std::size_t first, RelationPart& part) {
    constexpr std::size_t kAhead = 8;
    const std::size_t width = entryWidth();
    for (const GrowingArray<std::uint32_t>& entries : slice.groups) {
        const std::size_t ahead = std::min(entries.size(), kAhead * width);
        for (std::size_t at = 0; at < ahead; at += width) part.prefetch(entries[at + 1]);
        for (std::size_t at = 0; at < entries.size(); at += width) {
            if (at + ahead < entries.size()) part.prefetch(entries[at + ahead + 1]);
            const std::uint32_t* entry = entries.data() + at;
            const std::uint32_t mark = slice.marks[entry[0]];
            if ((mark & kStays) == 0) continue;
            const std::size_t position = first + (mark & ~kStays);
            part.placeAbsent(position, entry + 2, entry[1]);
            if (keyWidth > 0) {
                copyFew(entry + 2 + arity, keyWidth,
                        pendingKeys.data() + (position - part.size()) * keyWidth);
            }
        }
    }
}

void SharedPendingRows::forget(Slice& slice) {
    for (GrowingArray<std::uint32_t>& entries : slice.groups) entries.clear();
    slice.marks.clear();
    slice.count = 0;
}

void SharedPendingRows::endPass() {
    for (std::size_t s = 0; s < slicesOfPass; ++s) giveBackLarge(slices[s]);
    slicesOfPass = 0;
}

// Small slices keep their memory for the next pass, so that the many small iterations of a long
// chain allocate nothing; large ones give it back. Every rule keeps a list per group in each of
// a wave's slices, up to a few hundred lists, so what each keeps is kept small: four KiB lists
// made points-to's peak a mebibyte larger than these.
void SharedPendingRows::giveBackLarge(Slice& slice) {
    constexpr std::size_t kKeptValues = 1024;
    for (GrowingArray<std::uint32_t>& entries : slice.groups) {
        if (entries.capacity() > kKeptValues) entries = GrowingArray<std::uint32_t>();
    }
    if (slice.marks.capacity() > kKeptValues) std::vector<std::uint32_t>().swap(slice.marks);
}

// Pending rows go in key order: within a wave they came in slice order, and the passes of a body
// that reads several rules interleave. Bodies run in order and a row found again takes a smaller
// key only from its own body, so each body's rows stay among themselves: only a body whose rows
// came out of order is sorted. Bodies that came out of order are sorted as a whole.
void SharedPendingRows::orderPending(RelationPart& part) {
    const std::size_t pending = part.pendingCount();
    std::vector<std::uint32_t> order(pending);
    for (std::uint32_t i = 0; i < pending; ++i) order[i] = i;
    const std::uint32_t* keys = pendingKeys.data();
    const auto isLess = [&](std::uint32_t left, std::uint32_t right) {
        return isKeyLess(keys + left * keyWidth, keys + right * keyWidth);
    };
    // Each body's rows, [first, last) of order, in the order the bodies came.
    std::vector<std::pair<std::size_t, std::size_t>> bodies;
    for (std::size_t first = 0; first < pending;) {
        std::size_t last = first + 1;
        while (last < pending && keys[last * keyWidth] == keys[first * keyWidth]) ++last;
        bodies.emplace_back(first, last);
        first = last;
    }
    bool isMoved = false;
    for (std::size_t b = 0; b < bodies.size(); ++b) {
        const auto from = order.begin() + static_cast<std::ptrdiff_t>(bodies[b].first);
        const auto to = order.begin() + static_cast<std::ptrdiff_t>(bodies[b].second);
        if (b > 0 && keys[bodies[b - 1].first * keyWidth] > keys[bodies[b].first * keyWidth]) {
            isMoved = true;  // bodies out of order: every row is sorted below
        } else if (!std::is_sorted(from, to, isLess)) {
            std::sort(from, to, isLess);
            isMoved = true;
        }
    }
    if (isMoved && !std::is_sorted(order.begin(), order.end(), isLess)) {
        std::sort(order.begin(), order.end(), isLess);
    }
    pendingKeys = GrowingArray<std::uint32_t>();  // given back before the rows move
    if (isMoved) part.reorderPending(order);
}
