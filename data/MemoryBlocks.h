#pragma once

#include <cstddef>

// Raw memory for the engine's large arrays. Blocks of a mebibyte and more are mapped from the
// system directly: they are given back whole when freed, and growing one remaps its pages
// instead of copying them. Smaller blocks come from malloc. Failures throw std::bad_alloc.
namespace memory_blocks {

void* allocate(std::size_t bytes, bool isZeroed);
// A zeroed block whose pages are made later, by populate, so that several threads can share the
// clearing of a large one.
void* allocateUnpopulated(std::size_t bytes);
// Whether a block of this size is mapped from the system, so that its pages start unmade.
bool isMapped(std::size_t blockBytes);
// Makes the pages of [first, first + bytes) of a mapped block from allocateUnpopulated in one
// call rather than one fault each. Only a hint.
void populate(void* first, std::size_t bytes) noexcept;
// Makes a block of oldBytes hold newBytes (more), keeping its contents; the block may move.
void* grow(void* block, std::size_t oldBytes, std::size_t newBytes);
// Makes a block of bytes hold newBytes (fewer), keeping its first newBytes and giving back the
// rest; the block may move. bytes becomes what the block holds: where the system declines, all
// it held before.
void* shrink(void* block, std::size_t& bytes, std::size_t newBytes);
void release(void* block, std::size_t bytes) noexcept;

}  // namespace memory_blocks
