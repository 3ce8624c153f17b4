#pragma once

#include <cstddef>

// Raw memory for the engine's large arrays. Blocks of a mebibyte and more are mapped from the
// system directly: they are given back whole when freed, and growing one remaps its pages
// instead of copying them. Smaller blocks come from malloc. Failures throw std::bad_alloc.
namespace memory_blocks {

void* allocate(std::size_t bytes, bool isZeroed);
// Makes a block of oldBytes hold newBytes (more), keeping its contents; the block may move.
void* grow(void* block, std::size_t oldBytes, std::size_t newBytes);
void release(void* block, std::size_t bytes) noexcept;

}  // namespace memory_blocks
