#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Open addressing with linear probing for the engine's hash tables. Each slot holds 32 bits of
// an entry's hash above the entry's number + 1; 0 marks a free slot. The tag places the slot and
// screens out most unequal entries before the owner compares, and growing moves slots without
// looking at the entries again. The table is kept at most half full.
class TaggedSlots {
public:
    static constexpr std::size_t kNone = ~std::size_t{0};

    TaggedSlots() : slots(16, 0) {}

    // The slot whose entry has this tag and satisfies isMatch(number), or the free slot where
    // such an entry would go.
    template <typename IsMatch>
    std::size_t find(std::uint32_t tag, IsMatch&& isMatch) const {
        const std::size_t mask = slots.size() - 1;
        for (std::size_t slot = tag & mask;; slot = (slot + 1) & mask) {
            const std::uint64_t entry = slots[slot];
            if (entry == 0) return slot;
            if (tagOf(entry) == tag && isMatch(numberOf(entry))) return slot;
        }
    }

    // The entry's number in a slot, or kNone for a free slot.
    std::size_t numberAt(std::size_t slot) const {
        return slots[slot] == 0 ? kNone : numberOf(slots[slot]);
    }
    // Fills a free slot found by find; slots found before are invalid afterwards.
    void fill(std::size_t slot, std::uint32_t tag, std::size_t number) {
        slots[slot] = (std::uint64_t{tag} << 32) | (number + 1);
        if (++count * 2 > slots.size()) grow();
    }
    // Gives the entry in an occupied slot another number; its tag stays.
    void renumber(std::size_t slot, std::size_t number) {
        slots[slot] = (slots[slot] & ~std::uint64_t{0xFFFFFFFFu}) | (number + 1);
    }

    void prefetch(std::uint32_t tag) const { __builtin_prefetch(&slots[tag & (slots.size() - 1)]); }
    std::size_t capacity() const { return slots.size(); }

private:
    static std::uint32_t tagOf(std::uint64_t entry) {
        return static_cast<std::uint32_t>(entry >> 32);
    }
    static std::size_t numberOf(std::uint64_t entry) { return (entry & 0xFFFFFFFFu) - 1; }

    // The entries are set aside compactly and the old table freed before the new one is made,
    // so that growing a large table needs room for the new table and the entries only.
    void grow() {
        std::vector<std::uint64_t> entries;
        entries.reserve(count);
        for (std::uint64_t entry : slots) {
            if (entry != 0) entries.push_back(entry);
        }
        const std::size_t newSize = slots.size() * 2;
        std::vector<std::uint64_t>().swap(slots);
        slots.assign(newSize, 0);
        const std::size_t mask = slots.size() - 1;
        for (std::uint64_t entry : entries) {
            std::size_t slot = tagOf(entry) & mask;
            while (slots[slot] != 0) slot = (slot + 1) & mask;
            slots[slot] = entry;
        }
    }

    std::vector<std::uint64_t> slots;
    std::size_t count = 0;
};
