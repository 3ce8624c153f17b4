#pragma once

#include <cstddef>

// The CPUs this process may run on: those of its affinity mask (which taskset, cgroups' cpusets
// and container limits narrow), at least one and at most the given count.
std::size_t usableCpuCount(std::size_t most);
