#pragma once

#include <cstddef>
#include <cstdint>

#include "data/ValuePool.h"

// A well-mixed hash of a sequence of value ids, for the open-addressing tables of the engine.
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

inline std::uint64_t hashValueIds(const ValueId* values, std::size_t count) {
    ValueIdHasher hasher(count);
    for (std::size_t i = 0; i < count; ++i) hasher.add(values[i]);
    return hasher.finish();
}
