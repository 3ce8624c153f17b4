#include "data/MemoryBlocks.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

namespace memory_blocks {
namespace {

constexpr std::size_t kMappedBytes = std::size_t{1} << 20;

constexpr std::size_t kHugePageBytes = std::size_t{2} << 20;

// Large tables are read at random: huge pages spare a page-table walk on most accesses and a
// page fault per 4 KiB when they fill. Only a hint; the system may decline.
void adviseHugePages(void* block, std::size_t bytes) {
    if (bytes >= 2 * kHugePageBytes) madvise(block, bytes, MADV_HUGEPAGE);
}

// An array that grows (rows, index lists) has the huge page its end has reached resident whole,
// up to 2 MiB beyond what it holds. Below this size that is worth more than the page-table
// walks it spares: measured, such arrays run as fast on small pages, while a closure of 100
// million rows, whose rows take 800 MB, ran 2 to 6% slower.
constexpr std::size_t kHugeGrowingBytes = std::size_t{64} << 20;

// isHashTable: a zeroed block, written all over at once, advised huge pages at any size.
void* map(std::size_t bytes, bool isHashTable) {
    void* block = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED) throw std::bad_alloc();
    if (isHashTable || bytes >= kHugeGrowingBytes) adviseHugePages(block, bytes);
    return block;
}

}  // namespace

void* allocate(std::size_t bytes, bool isZeroed) {
    if (bytes >= kMappedBytes) {
        void* block = map(bytes, isZeroed);  // mapped pages start zeroed
        // A zeroed block is a hash table, written all over.
        if (isZeroed) populate(block, bytes);
        return block;
    }
    void* block = isZeroed ? std::calloc(bytes, 1) : std::malloc(bytes);
    if (block == nullptr && bytes != 0) throw std::bad_alloc();
    return block;
}

void* allocateUnpopulated(std::size_t bytes) {
    if (bytes >= kMappedBytes) return map(bytes, true);
    return allocate(bytes, true);
}

bool isMapped(std::size_t blockBytes) { return blockBytes >= kMappedBytes; }

void populate(void* first, std::size_t bytes) noexcept {
    // Older systems fault the pages in as before.
#ifdef MADV_POPULATE_WRITE
    const auto address = reinterpret_cast<std::uintptr_t>(first);
    static const auto pageBytes = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    const std::uintptr_t begin = (address + pageBytes - 1) & ~(pageBytes - 1);
    const std::uintptr_t end = (address + bytes) & ~(pageBytes - 1);
    if (bytes >= pageBytes && begin < end) {
        madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
    }
#else
    (void)first;
    (void)bytes;
#endif
}

void* grow(void* block, std::size_t oldBytes, std::size_t newBytes) {
    if (block == nullptr) return allocate(newBytes, false);
    if (oldBytes >= kMappedBytes) {
        void* moved = mremap(block, oldBytes, newBytes, MREMAP_MAYMOVE);
        if (moved == MAP_FAILED) throw std::bad_alloc();
        if (newBytes >= kHugeGrowingBytes) adviseHugePages(moved, newBytes);
        return moved;
    }
    if (newBytes < kMappedBytes) {
        void* moved = std::realloc(block, newBytes);
        if (moved == nullptr) throw std::bad_alloc();
        return moved;
    }
    void* mapped = map(newBytes, false);
    std::memcpy(mapped, block, oldBytes);
    std::free(block);
    return mapped;
}

void* shrink(void* block, std::size_t& bytes, std::size_t newBytes) {
    if (block == nullptr || newBytes >= bytes) return block;
    if (newBytes == 0) {  // realloc would free the block and might return nothing
        release(block, bytes);
        bytes = 0;
        return nullptr;
    }
    if (bytes < kMappedBytes) {
        void* moved = std::realloc(block, newBytes);
        if (moved == nullptr) return block;
        bytes = newBytes;
        return moved;
    }
    if (newBytes >= kMappedBytes) {
        // In place: the pages beyond go back at once, and nothing moves.
        if (mremap(block, bytes, newBytes, 0) == MAP_FAILED) return block;
        bytes = newBytes;
        return block;
    }
    void* moved = std::malloc(newBytes);
    if (moved == nullptr) return block;
    std::memcpy(moved, block, newBytes);
    munmap(block, bytes);
    bytes = newBytes;
    return moved;
}

void release(void* block, std::size_t bytes) noexcept {
    if (block == nullptr) return;
    if (bytes >= kMappedBytes) {
        munmap(block, bytes);
    } else {
        std::free(block);
    }
}

}  // namespace memory_blocks
