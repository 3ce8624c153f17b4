#include "engine/UsableCpus.h"

#include <sched.h>

#include <algorithm>
#include <thread>

std::size_t usableCpuCount(std::size_t most) {
    std::size_t count = 0;
    cpu_set_t mask;
    CPU_ZERO(&mask);
    if (sched_getaffinity(0, sizeof mask, &mask) == 0) {
        count = static_cast<std::size_t>(CPU_COUNT(&mask));
    } else {
        // A machine with more CPUs than the fixed mask holds: take what the system reports.
        count = std::thread::hardware_concurrency();
    }
    return std::clamp<std::size_t>(count, 1, std::max<std::size_t>(most, 1));
}
