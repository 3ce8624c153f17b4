#include <gtest/gtest.h>
#include <sched.h>

#include "engine/UsableCpus.h"

namespace {

// Narrows the calling thread to its first usable CPU while it lives, as taskset or a container's
// cpuset would narrow the whole process.
class OneCpuOnly {
public:
    OneCpuOnly() {
        CPU_ZERO(&saved);
        isNarrowed = sched_getaffinity(0, sizeof saved, &saved) == 0;
        if (!isNarrowed) return;
        int first = 0;
        while (!CPU_ISSET(first, &saved)) ++first;
        cpu_set_t one;
        CPU_ZERO(&one);
        CPU_SET(first, &one);
        isNarrowed = sched_setaffinity(0, sizeof one, &one) == 0;
    }
    ~OneCpuOnly() {
        if (isNarrowed) sched_setaffinity(0, sizeof saved, &saved);
    }
    OneCpuOnly(const OneCpuOnly&) = delete;
    OneCpuOnly& operator=(const OneCpuOnly&) = delete;

    bool isNarrowed = false;

private:
    cpu_set_t saved;
};

TEST(UsableCpus, CountsTheCpusOfTheAffinityMaskNotOfTheMachine) {
    const OneCpuOnly narrowed;
    if (!narrowed.isNarrowed) GTEST_SKIP() << "this system does not let a thread narrow its CPUs";
    EXPECT_EQ(usableCpuCount(4096), 1u);
}

TEST(UsableCpus, IsAtLeastOneAndAtMostTheLimit) {
    EXPECT_GE(usableCpuCount(4096), 1u);
    EXPECT_EQ(usableCpuCount(1), 1u);
    EXPECT_EQ(usableCpuCount(0), 1u);
}

}  // namespace
