#pragma once

#include <cstddef>
#include <cstring>
#include <type_traits>

// Copies n values to a place that does not overlap them: mostly a row or a key of a few. A
// plain copy loop of unknown length becomes a call to memmove, which costs more than the copy
// itself for so few values and sits on the path of every combination; the short lengths are
// written out instead.
template <typename T>
inline void copyFew(const T* from, std::size_t n, T* to) {
    static_assert(std::is_trivially_copyable_v<T>);
    switch (n) {
        case 4:
            to[3] = from[3];
            [[fallthrough]];
        case 3:
            to[2] = from[2];
            [[fallthrough]];
        case 2:
            to[1] = from[1];
            [[fallthrough]];
        case 1:
            to[0] = from[0];
            [[fallthrough]];
        case 0:
            return;
        default:
            std::memcpy(to, from, n * sizeof(T));
    }
}
