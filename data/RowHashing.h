#pragma once

#include <cstddef>
#include <cstdint>

#include "data/ValuePool.h"

// Hashes of sequences of value ids, for the open-addressing tables of the engine.
class ValueIdHasher {
public:
    explicit ValueIdHasher(std::size_t count) : hash(0x9E3779B97F4A7C15ULL ^ count) {}
    void add(ValueId value) {
        hash = (hash ^ value) * 0xFF51AFD7ED558CCDULL;
        hash ^= hash >> 32;
    }
    std::uint64_t finish() const {
        const std::uint64_t mixed = hash * 0xC4CEB9FE1A85EC53ULL;
        return mixed ^ (mixed >> 29);
    }

private:
    std::uint64_t hash;
};

// One value keeps its two lowest bits as the hash's lowest, so that neighbouring values, such as
// the nodes of a chain met one per iteration, find their slots next to each other and mostly in a
// cache line already fetched. The same two bits go to the top of the hash as well, where they tell
// such neighbours apart when a search passes over them. Rows and keys of several values mix all.
inline std::uint64_t hashValueIds(const ValueId* values, std::size_t count) {
    ValueIdHasher hasher(count);
    if (count == 1) {
        constexpr unsigned kKeptBits = 2;
        const std::uint64_t low = values[0] & ((1u << kKeptBits) - 1);
        hasher.add(values[0] >> kKeptBits);
        const std::uint64_t mixed = hasher.finish() ^ (low << (32 - kKeptBits));
        return (mixed & ~std::uint64_t{(1u << kKeptBits) - 1}) | low;
    }
    // Most rows have two values: the loop unrolled, where a batch hashes row after row. Once
    // inlined where a caller passes a single value, GCC warns of the second although the
    // length is then one.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"
    if (count == 2) {
        hasher.add(values[0]);
        hasher.add(values[1]);
        return hasher.finish();
    }
#pragma GCC diagnostic pop
    for (std::size_t i = 0; i < count; ++i) hasher.add(values[i]);
    return hasher.finish();
}
