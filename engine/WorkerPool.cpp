#include "engine/WorkerPool.h"

#include <pthread.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <system_error>

#include "engine/UsableCpus.h"

namespace {

// A pass hands out its work in waves, thousands in a run, and between two waves the calling
// thread works alone for a moment. Waking a sleeping thread takes longer than many such moments,
// so a thread waits this long, awake, before it sleeps.
constexpr std::chrono::microseconds kAwakeWait{500};

// Returns once isDone() holds or the awake wait is over.
template <typename Condition>
void waitAwake(Condition isDone) {
    const auto until = std::chrono::steady_clock::now() + kAwakeWait;
    for (;;) {
        for (int round = 0; round < 64; ++round) {
            if (isDone()) return;
#if defined(__x86_64__) || defined(__i386__)
            __builtin_ia32_pause();
#endif
        }
        if (std::chrono::steady_clock::now() >= until) return;
    }
}

}  // namespace

// A thread the system will not start (a limit on threads or on memory) leaves the pool
// smaller: the work and its result are the same with fewer workers.
WorkerPool::WorkerPool(std::size_t workerCount)
    // With more threads than CPUs, a thread that waits awake holds a CPU that another needs.
    : isWaitingAwake(workerCount <= usableCpuCount(workerCount)) {
    threads.reserve(workerCount > 0 ? workerCount - 1 : 0);
    for (std::size_t worker = 1; worker < workerCount; ++worker) {
        try {
            threads.emplace_back([this, worker] { work(worker); });
        } catch (const std::system_error&) {
            break;
        }
    }
}

WorkerPool::~WorkerPool() {
    {
        const std::lock_guard<std::mutex> lock(mutex);
        isStopping = true;
    }
    started.notify_all();
    for (std::thread& thread : threads) thread.join();
}

void WorkerPool::run(std::size_t count, const std::function<void(std::size_t, std::size_t)>& task,
                     const std::function<bool()>* idle) {
    if (count == 0) return;
    if (threads.empty() || count == 1) {
        for (std::size_t number = 0; number < count; ++number) task(number, 0);
        return;
    }
    // Only as many threads as there are tasks beside the calling thread's take part: a job of
    // two tasks on a pool of sixty-four would otherwise wake all of them and wait for each.
    const std::size_t helpers = std::min(count - 1, threads.size());
    {
        const std::lock_guard<std::mutex> lock(mutex);
        job = &task;
        idleWork = idle;
        ++jobNumber;
        taskCount = count;
        unfinishedTasks = count;
        nextTask = 0;
        busyWorkers = 1;
        seats = helpers;
        failure = nullptr;
    }
    if (helpers == threads.size()) {
        started.notify_all();
    } else {
        for (std::size_t helper = 0; helper < helpers; ++helper) started.notify_one();
    }
    takeTasks(0);
    if (isWaitingAwake) {
        waitAwake([this] { return busyWorkers.load(std::memory_order_relaxed) == 0; });
    }
    std::unique_lock<std::mutex> lock(mutex);
    finished.wait(lock, [this] { return busyWorkers == 0; });
    seats = 0;  // a thread that wakes only now has nothing left to take
    job = nullptr;
    idleWork = nullptr;
    if (failure) std::rethrow_exception(std::exchange(failure, nullptr));
}

// Tasks are handed out under the lock: a task is a slice of a pass, long beside taking a lock.
void WorkerPool::takeTasks(std::size_t worker) {
    std::unique_lock<std::mutex> lock(mutex);
    while (nextTask < taskCount && !failure) {
        const std::size_t number = nextTask++;
        const auto* task = job;
        lock.unlock();
        try {
            (*task)(number, worker);
        } catch (...) {
            --unfinishedTasks;
            lock.lock();
            if (!failure) failure = std::current_exception();
            // The tasks not started are skipped: idle work waits for none of them.
            unfinishedTasks -= taskCount - nextTask;
            nextTask = taskCount;
            continue;
        }
        --unfinishedTasks;
        lock.lock();
    }
    if (idleWork != nullptr && !failure) workWhileOthersRun(lock);
    if (--busyWorkers == 0) finished.notify_one();
}

void WorkerPool::workWhileOthersRun(std::unique_lock<std::mutex>& lock) {
    const std::function<bool()>& idle = *idleWork;
    lock.unlock();
    while (unfinishedTasks.load() > 0) {
        bool isWorked = false;
        try {
            isWorked = idle();
        } catch (...) {
            lock.lock();
            if (!failure) failure = std::current_exception();
            return;
        }
        if (!isWorked) break;
    }
    lock.lock();
}

void WorkerPool::work(std::size_t worker) {
    // Signals go to the calling thread, which holds them back while it replaces the output:
    // a worker that took one could end the process in the middle of that.
    sigset_t all;
    sigfillset(&all);
    pthread_sigmask(SIG_BLOCK, &all, nullptr);
    std::size_t seenJob = 0;
    for (;;) {
        if (isWaitingAwake) {
            waitAwake([&] { return jobNumber.load(std::memory_order_relaxed) != seenJob; });
        }
        {
            std::unique_lock<std::mutex> lock(mutex);
            started.wait(lock, [&] { return isStopping || jobNumber != seenJob; });
            if (isStopping) return;
            seenJob = jobNumber;
            if (seats == 0) continue;  // enough threads take part in this job
            --seats;
            ++busyWorkers;
        }
        takeTasks(worker);
    }
}
