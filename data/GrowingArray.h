#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <new>
#include <type_traits>
#include <utility>

#include "data/CopyFew.h"
#include "data/MemoryBlocks.h"

// An append-mostly array of plain values for the engine's large tables. A large one grows by
// remapping its pages, so growing never holds the old and the new block at once, and freeing
// it gives its memory back to the system at once: the peak of a run is what its tables hold.
// std::vector copies into a new block instead, briefly holding both, and malloc may keep
// large freed blocks that a later, larger table cannot reuse.
template <typename T>
class GrowingArray {
    static_assert(std::is_trivially_copyable_v<T>, "moved with realloc");

public:
    GrowingArray() = default;
    GrowingArray(const GrowingArray&) = delete;
    GrowingArray& operator=(const GrowingArray&) = delete;
    GrowingArray(GrowingArray&& other) noexcept
        : items(std::exchange(other.items, nullptr)),
          count(std::exchange(other.count, 0)),
          room(std::exchange(other.room, 0)) {}
    GrowingArray& operator=(GrowingArray&& other) noexcept {
        if (this != &other) {
            memory_blocks::release(items, room * sizeof(T));
            items = std::exchange(other.items, nullptr);
            count = std::exchange(other.count, 0);
            room = std::exchange(other.room, 0);
        }
        return *this;
    }
    ~GrowingArray() { memory_blocks::release(items, room * sizeof(T)); }

    std::size_t size() const { return count; }
    bool empty() const { return count == 0; }
    std::size_t capacity() const { return room; }
    T* data() { return items; }
    const T* data() const { return items; }
    T& operator[](std::size_t i) { return items[i]; }
    const T& operator[](std::size_t i) const { return items[i]; }
    T* begin() { return items; }
    T* end() { return items + count; }
    const T* begin() const { return items; }
    const T* end() const { return items + count; }
    T& back() { return items[count - 1]; }

    void push_back(const T& item) {
        if (count == room) reserve(grownRoom(count + 1));
        items[count++] = item;
    }
    // Appends the values in [first, first + n), which must not lie in this array.
    void append(const T* first, std::size_t n) {
        if (n == 0) return;
        if (count + n > room) reserve(grownRoom(count + n));
        copyFew(first, n, items + count);
        count += n;
    }
    // Appends n items for the caller to fill in, and returns the first.
    T* appendUnfilled(std::size_t n) {
        if (count + n > room) reserve(grownRoom(count + n));
        T* first = items + count;
        count += n;
        return first;
    }
    void clear() { count = 0; }
    // Gives back the room beyond the items, for an array that is done growing.
    void shrinkToFit() {
        std::size_t bytes = room * sizeof(T);
        items = static_cast<T*>(memory_blocks::shrink(items, bytes, count * sizeof(T)));
        room = bytes / sizeof(T);
    }
    // Removes the first n items, moving the rest to the front.
    void dropFront(std::size_t n) {
        if (n >= count) {
            count = 0;
            return;
        }
        std::memmove(items, items + n, (count - n) * sizeof(T));
        count -= n;
    }
    void reserve(std::size_t wanted) {
        if (wanted <= room) return;
        if (wanted > kMaxItems) throw std::bad_alloc();
        items = static_cast<T*>(memory_blocks::grow(items, room * sizeof(T), wanted * sizeof(T)));
        room = wanted;
    }
    // Makes the array n zero-valued items, giving back the old block before taking the new one.
    void assignZeroed(std::size_t n) { assignZeroed(n, true); }
    // The same, leaving a large block's pages to be made by populate, a share per thread.
    void assignZeroedUnpopulated(std::size_t n) { assignZeroed(n, false); }
    // Room for n more items, grown as appending would grow it.
    void reserveMore(std::size_t n) {
        if (count + n > room) reserve(grownRoom(count + n));
    }
    // Makes the pages of the room for the next n items, at most the room there is, of a mapped
    // block: another thread may do it while others read the items, which stay where they are.
    void populateRoom(std::size_t n) { populate(count, std::min(n, room - count)); }
    void populate(std::size_t first, std::size_t n) {
        if (memory_blocks::isMapped(room * sizeof(T))) {
            memory_blocks::populate(items + first, n * sizeof(T));
        }
    }

private:
    static constexpr std::size_t kMaxItems = ~std::size_t{0} / 2 / sizeof(T);

    void assignZeroed(std::size_t n, bool isPopulated) {
        if (n > kMaxItems) throw std::bad_alloc();
        memory_blocks::release(std::exchange(items, nullptr), room * sizeof(T));
        count = 0;
        room = 0;
        if (n == 0) return;
        const std::size_t bytes = n * sizeof(T);
        items = static_cast<T*>(isPopulated ? memory_blocks::allocate(bytes, true)
                                            : memory_blocks::allocateUnpopulated(bytes));
        count = n;
        room = n;
    }

    std::size_t grownRoom(std::size_t needed) const {
        const std::size_t doubled = room < 8 ? 8 : room * 2;
        return doubled < needed ? needed : doubled;
    }

    T* items = nullptr;
    std::size_t count = 0;
    std::size_t room = 0;
};
