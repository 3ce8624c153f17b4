#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Which hashes a set of keys may have: a bit per hash, over sixteen bits per key, so that a
// search for a key outside the set is mostly answered by one bit in the caches instead of a probe
// of a large table. A set bit means maybe, a clear one means no.
class HashFilter {
public:
    // Empties the filter and makes it the size for this many keys.
    void reset(std::size_t keys) {
        std::size_t size = kFewestBits;
        while (size < keys * kBitsPerKey) size *= 2;
        words.assign(size / 64, 0);
        mask = static_cast<std::uint32_t>(size - 1);
    }
    void add(std::uint32_t hash) {
        const std::uint32_t bit = hash & mask;
        words[bit / 64] |= std::uint64_t{1} << (bit % 64);
    }
    bool mayHold(std::uint32_t hash) const {
        const std::uint32_t bit = hash & mask;
        return (words[bit / 64] >> (bit % 64) & 1) != 0;
    }

private:
    static constexpr std::size_t kBitsPerKey = 16;
    static constexpr std::size_t kFewestBits = 512;
    std::vector<std::uint64_t> words;
    std::uint32_t mask = 0;
};
