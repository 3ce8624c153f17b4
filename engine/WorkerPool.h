#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

// A fixed set of threads that share out the tasks of one job at a time. The calling thread
// works too, as worker 0, so a pool of one worker starts no thread at all. Tasks are taken in
// ascending order, each by whichever worker is free, so uneven tasks balance out.
class WorkerPool {
public:
    // Starts workerCount - 1 threads, or as many as the system allows.
    explicit WorkerPool(std::size_t workerCount);
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    std::size_t size() const { return threads.size() + 1; }

    // Calls task(number, worker) for every number below taskCount and returns when all are
    // done. The first exception a task throws is thrown here, once every worker has stopped;
    // tasks not yet started are skipped. A thread that finds no task left while others still
    // run theirs calls idle, when given, until they are done or it returns false.
    void run(std::size_t taskCount, const std::function<void(std::size_t, std::size_t)>& task,
             const std::function<bool()>* idle = nullptr);

private:
    void work(std::size_t worker);
    void takeTasks(std::size_t worker);
    // Idle work while other threads still run tasks of the job; the lock is held on the way in
    // and out.
    void workWhileOthersRun(std::unique_lock<std::mutex>& lock);

    // Whether a thread out of work waits a moment awake before it sleeps: only when every
    // thread has a CPU of its own.
    bool isWaitingAwake;
    std::vector<std::thread> threads;
    std::mutex mutex;
    std::condition_variable started;
    std::condition_variable finished;
    // The job now running; guarded by mutex except for the task counter's own updates.
    const std::function<void(std::size_t, std::size_t)>* job = nullptr;
    const std::function<bool()>* idleWork = nullptr;
    // Also read without the lock by threads that wait a moment for the next job before they sleep.
    std::atomic<std::size_t> jobNumber = 0;
    std::size_t taskCount = 0;
    std::size_t nextTask = 0;
    // Tasks not done yet, read without the lock by threads doing idle work.
    std::atomic<std::size_t> unfinishedTasks = 0;
    // The calling thread and the threads that took a seat; also read without the lock by the
    // calling thread, which waits a moment for the others before it sleeps.
    std::atomic<std::size_t> busyWorkers = 0;
    std::size_t seats = 0;  // threads that may still join the job
    std::exception_ptr failure;
    bool isStopping = false;
};
