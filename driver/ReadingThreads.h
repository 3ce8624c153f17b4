#pragma once

#include <cstddef>
#include <cstdint>

// Whether the rows are read on all of a run's threads, in blocks shared out to them, rather than
// on the calling thread alone. inputBytes is the input's size, or kUnknownInputSize (a pipe).
inline constexpr std::uint64_t kUnknownInputSize = ~std::uint64_t{0};
bool isReadOnAllThreads(std::size_t threads, std::uint64_t inputBytes);
