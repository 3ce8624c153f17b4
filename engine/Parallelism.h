#pragma once

#include <cstddef>
#include <cstdint>

// How evaluation shares its work among threads. The output does not depend on it.
struct Parallelism {
    std::size_t threads = 1;
    // A pass is cut into slices of about this many rows of its first reference, and a pass of
    // fewer than twice as many runs as one task: a slice should outweigh handing it to a thread.
    // Tests set it low, so that small programs are cut into many slices.
    std::uint32_t rowsPerSlice = 512;
};
