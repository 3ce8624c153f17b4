#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <stdexcept>

#include "data/GrowingArray.h"

// Open addressing with linear probing for the engine's hash tables, at four bytes a slot. The
// entries are numbered 0, 1, 2, ... by their owner. A slot holds an entry's number + 1 in its
// low bits, as many as the table's size needs, and the upper bits of the entry's 32-bit hash
// (its tag) above them; 0 marks a free slot. The tag's low bits place the slot, its upper bits
// screen out most unequal entries before the owner compares. The table keeps nothing else:
// growing asks the owner for each entry's tag again. It is kept at most half full, and a table of
// 2^20 slots (4 MiB) or more at most three quarters full: such a table is much of a run's memory,
// its searches miss the nearer caches once whatever their length, and a longer search mostly
// stays within the cache line already fetched.
class TaggedSlots {
public:
    static constexpr std::size_t kNone = ~std::size_t{0};

    TaggedSlots() { slots.assignZeroed(kFewestSlots); }
    // A table that takes entries without growing: one block, where growing step by step would
    // take a fresh block at each step and place every entry again.
    explicit TaggedSlots(std::size_t entries) { slots.assignZeroed(slotsFor(entries)); }
    // The slots of a table that has taken this many entries.
    static std::size_t slotsFor(std::size_t entries) {
        std::size_t size = kFewestSlots;
        while (size < kMaxSlots && isOverfull(entries, size)) size *= 2;
        return size;
    }

    // The slot whose entry has this tag and satisfies isMatch(number), or the free slot where
    // such an entry would go.
    template <typename IsMatch>
    std::size_t find(std::uint32_t tag, IsMatch&& isMatch) const {
        const std::uint32_t mask = slotMask();
        const std::uint32_t upper = tag & ~mask;
        for (std::size_t slot = tag & mask;; slot = (slot + 1) & mask) {
            const std::uint32_t entry = slots[slot];
            if (entry == 0) return slot;
            if ((entry & ~mask) == upper && isMatch(std::size_t{entry & mask} - 1)) return slot;
        }
    }

    // The entry's number in a slot, or kNone for a free slot.
    std::size_t numberAt(std::size_t slot) const {
        const std::uint32_t entry = slots[slot];
        return entry == 0 ? kNone : std::size_t{entry & slotMask()} - 1;
    }
    // Fills a free slot found by find with the next entry: its number is the count of entries
    // before it. Slots found before are invalid afterwards. Should the table grow, tagOf(number)
    // gives the tag of each entry, this one included.
    template <typename TagOf>
    void fill(std::size_t slot, std::uint32_t tag, std::size_t number, TagOf&& tagOf) {
        slots[slot] = entryOf(tag, number, slotMask());
        if (isOverfull(++count)) grow(tagOf);
    }
    // Makes room for entries more entries to be placed with fillShared, numbered from the count
    // of entries on. Growing, at most once, asks tagOf for the tags of the entries already in
    // and places them again in shares: runShares(n, share) calls share(0) to share(n - 1), on
    // any threads at once, so that a large table's growth is not one thread's work alone.
    template <typename TagOf, typename RunShares>
    void reserveShared(std::size_t entries, TagOf&& tagOf, RunShares&& runShares) {
        std::size_t size = slots.size();
        while (isOverfull(count + entries, size)) {
            if (size >= kMaxSlots) throw std::length_error("hash table full");
            size *= 2;
        }
        if (size != slots.size()) {
            // Clearing the new table's pages is shared as well: it costs about as much as
            // placing the entries.
            slots.assignZeroedUnpopulated(size);
            constexpr std::size_t kShareSlots = std::size_t{1} << 19;
            runShares((size + kShareSlots - 1) / kShareSlots, [&](std::size_t share) {
                const std::size_t first = share * kShareSlots;
                slots.populate(first, std::min(size, first + kShareSlots) - first);
            });
            constexpr std::size_t kShareEntries = std::size_t{1} << 16;
            const std::size_t entriesIn = count;
            runShares((entriesIn + kShareEntries - 1) / kShareEntries, [&](std::size_t share) {
                const std::size_t first = share * kShareEntries;
                // Other threads place other entries meanwhile.
                visitFetchingAhead(
                    first, std::min(entriesIn, first + kShareEntries), tagOf,
                    [this](std::uint32_t tag, std::size_t number) { fillShared(tag, number); });
            });
        }
        count += entries;
    }
    // Places an entry made room for by reserveShared: any number of threads may place entries
    // at once, each claiming a free slot with one atomic exchange. No other use of the table may
    // run meanwhile.
    void fillShared(std::uint32_t tag, std::size_t number) {
        const std::uint32_t mask = slotMask();
        const std::uint32_t entry = entryOf(tag, number, mask);
        for (std::size_t slot = tag & mask;; slot = (slot + 1) & mask) {
            std::atomic_ref<std::uint32_t> place(slots[slot]);
            std::uint32_t free = 0;
            if (place.load(std::memory_order_relaxed) == 0 &&
                place.compare_exchange_strong(free, entry, std::memory_order_relaxed)) {
                return;
            }
        }
    }

    // Gives the entry in an occupied slot another number below the count of entries.
    void renumber(std::size_t slot, std::size_t number) {
        const std::uint32_t mask = slotMask();
        slots[slot] = (slots[slot] & ~mask) | static_cast<std::uint32_t>(number + 1);
    }

    // The number of the first entry on this tag's search path whose tag matches, or kNone when
    // the search meets a free slot first: the entry that find will most likely compare, so that
    // its owner can fetch it ahead.
    std::size_t firstCandidate(std::uint32_t tag) const {
        const std::uint32_t mask = slotMask();
        const std::uint32_t upper = tag & ~mask;
        for (std::size_t slot = tag & mask;; slot = (slot + 1) & mask) {
            const std::uint32_t entry = slots[slot];
            if (entry == 0) return kNone;
            if ((entry & ~mask) == upper) return std::size_t{entry & mask} - 1;
        }
    }

    // The slots the table will have once it has taken entries more entries.
    std::size_t capacityFor(std::size_t entries) const {
        std::size_t size = slots.size();
        while (size < kMaxSlots && isOverfull(count + entries, size)) size *= 2;
        return size;
    }

    // The slot where the search for an entry with this tag begins.
    std::size_t homeSlot(std::uint32_t tag) const { return tag & slotMask(); }
    [[gnu::always_inline]] void prefetch(std::uint32_t tag) const {
        __builtin_prefetch(&slots[homeSlot(tag)]);
    }
    [[gnu::always_inline]] void prefetchSlot(std::size_t slot) const {
        __builtin_prefetch(&slots[slot]);
    }
    std::size_t capacity() const { return slots.size(); }

    // Calls visit(tagOf(number), number) for the entries numbered first to end - 1, which need
    // not be in the table yet, with each one's home slot fetched kAhead entries before: far
    // enough that the fetch of a large table's slot, a miss to main memory, is mostly done by
    // then. Growing places every entry again this way.
    template <typename TagOf, typename Visit>
    void visitFetchingAhead(std::size_t first, std::size_t end, TagOf&& tagOf,
                            Visit&& visit) const {
        constexpr std::size_t kAhead = 32;
        std::uint32_t tags[kAhead];
        const std::size_t ahead = std::min(end - first, kAhead);
        for (std::size_t i = 0; i < ahead; ++i) {
            tags[i] = tagOf(first + i);
            prefetch(tags[i]);
        }
        for (std::size_t number = first; number < end; ++number) {
            std::uint32_t& ring = tags[(number - first) % kAhead];
            const std::uint32_t tag = ring;
            if (number + kAhead < end) {
                ring = tagOf(number + kAhead);
                prefetch(ring);
            }
            visit(tag, number);
        }
    }

private:
    // A table of 2^32 slots uses every bit for numbers; it is the largest there is.
    static constexpr std::size_t kMaxSlots = std::size_t{1} << 32;
    static constexpr std::size_t kFewestSlots = 16;

    std::uint32_t slotMask() const { return static_cast<std::uint32_t>(slots.size() - 1); }
    bool isOverfull(std::size_t entries) const { return isOverfull(entries, slots.size()); }
    static bool isOverfull(std::size_t entries, std::size_t size) {
        constexpr std::size_t kLargeSlots = std::size_t{1} << 20;  // see the class comment
        return size < kLargeSlots ? entries * 2 > size : entries * 4 > size * 3;
    }
    static std::uint32_t entryOf(std::uint32_t tag, std::size_t number, std::uint32_t mask) {
        return (tag & ~mask) | static_cast<std::uint32_t>(number + 1);
    }

    // The old table is given back before the new one is made, so growing needs room for the new
    // table only.
    template <typename TagOf>
    void grow(TagOf& tagOf) {
        if (slots.size() >= kMaxSlots) throw std::length_error("hash table full");
        slots.assignZeroed(slots.size() * 2);
        const std::uint32_t mask = slotMask();
        visitFetchingAhead(0, count, tagOf, [this, mask](std::uint32_t tag, std::size_t number) {
            std::size_t slot = tag & mask;
            while (slots[slot] != 0) slot = (slot + 1) & mask;
            slots[slot] = entryOf(tag, number, mask);
        });
    }

    GrowingArray<std::uint32_t> slots;
    std::size_t count = 0;
};
