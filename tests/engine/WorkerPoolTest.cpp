#include <gtest/gtest.h>

#include <atomic>
#include <bit>
#include <chrono>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <thread>
#include <vector>

#include "engine/WorkerPool.h"

namespace {

TEST(WorkerPool, RunsEveryTaskOnceOnEveryPoolSize) {
    for (const std::size_t size : {1, 2, 3, 8}) {
        WorkerPool pool(size);
        EXPECT_EQ(pool.size(), size);
        // Jobs after jobs: a worker that wakes late must still take part in the right one.
        for (const std::size_t tasks : {0, 1, 2, 7, 100}) {
            std::vector<std::atomic<int>> runs(tasks);
            std::atomic<bool> isWorkerInRange = true;
            pool.run(tasks, [&](std::size_t task, std::size_t worker) {
                runs[task].fetch_add(1);
                if (worker >= size) isWorkerInRange = false;
            });
            for (std::size_t task = 0; task < tasks; ++task) {
                EXPECT_EQ(runs[task].load(), 1) << size << " workers, task " << task;
            }
            EXPECT_TRUE(isWorkerInRange);
        }
    }
}

// Small jobs on a large pool: only as many threads as tasks take part, and a thread that wakes
// after its job ended must not take part in the next one's place or count itself twice.
TEST(WorkerPool, ManySmallJobsOnALargePoolRunEveryTaskOnce) {
    WorkerPool pool(16);
    std::vector<std::atomic<int>> runs(3);
    for (int job = 0; job < 3000; ++job) {
        const std::size_t tasks = 2 + job % 2;
        std::atomic<std::uint64_t> workers = 0;  // one bit per worker that ran a task
        pool.run(tasks, [&](std::size_t task, std::size_t worker) {
            runs[task].fetch_add(1);
            workers.fetch_or(std::uint64_t{1} << worker);
        });
        EXPECT_LE(std::popcount(workers.load()), static_cast<int>(tasks));
    }
    EXPECT_EQ(runs[0].load(), 3000);
    EXPECT_EQ(runs[1].load(), 3000);
    EXPECT_EQ(runs[2].load(), 1500);
}

TEST(WorkerPool, AFailingTaskFailsTheJobAndLeavesThePoolUsable) {
    WorkerPool pool(3);
    EXPECT_THROW(pool.run(50,
                          [](std::size_t task, std::size_t) {
                              if (task == 10) throw std::runtime_error("task 10");
                          }),
                 std::runtime_error);
    std::atomic<int> done = 0;
    pool.run(20, [&](std::size_t, std::size_t) { done.fetch_add(1); });
    EXPECT_EQ(done.load(), 20);
}

// A thread with no task left does idle work while another task still runs, and stops once that
// task is done or the idle work has nothing to do.
TEST(WorkerPool, IdleWorkFillsTheWaitForTheLastTask) {
    using namespace std::chrono_literals;
    for (const std::size_t size : {2, 3, 8}) {
        WorkerPool pool(size);
        std::atomic<int> idleCalls = 0;
        std::atomic<bool> isSlowTaskDone = false;
        const std::function<bool()> idle = [&] {
            idleCalls.fetch_add(1);
            return true;
        };
        pool.run(
            2,
            [&](std::size_t task, std::size_t) {
                if (task == 0) return;
                // The task waits for some idle work, or for two seconds when none comes.
                const auto until = std::chrono::steady_clock::now() + 2s;
                while (idleCalls.load() < 3 && std::chrono::steady_clock::now() < until) {
                    std::this_thread::yield();
                }
                isSlowTaskDone = true;
            },
            &idle);
        EXPECT_TRUE(isSlowTaskDone);
        const int calls = idleCalls.load();
        EXPECT_GE(calls, 3) << size << " workers";
        std::this_thread::sleep_for(10ms);
        EXPECT_EQ(idleCalls.load(), calls) << "idle work after the job, " << size << " workers";

        std::atomic<int> emptyCalls = 0;
        const std::function<bool()> empty = [&] {
            emptyCalls.fetch_add(1);
            return false;
        };
        pool.run(
            2,
            [](std::size_t task, std::size_t) {
                if (task == 1) std::this_thread::sleep_for(20ms);
            },
            &empty);
        EXPECT_LE(emptyCalls.load(), static_cast<int>(size)) << size << " workers";
    }
}

}  // namespace
