#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <thread>
#include <vector>

// Finds where an evaluation spends its time by looking, from a thread of its own and about a
// thousand times a second, at which body it is running, and giving that body the time since the
// last look. The evaluating thread only stores a number when a body starts and when it ends, so
// a program of many thousands of iterations of a few microseconds each costs what a plain run
// does; reading a clock twice per body would cost such a run a tenth of its time. A body's
// seconds are a sample, which comes right over the many passes of a long run.
class BodySampler {
public:
    // Samples bodies 0 to bodyCount - 1 from now on, every interval.
    BodySampler(std::size_t bodyCount, std::chrono::microseconds interval);
    ~BodySampler();
    BodySampler(const BodySampler&) = delete;
    BodySampler& operator=(const BodySampler&) = delete;

    void enter(std::size_t body) { current.store(body, std::memory_order_relaxed); }
    void leave() { current.store(kNoBody, std::memory_order_relaxed); }
    // Stops sampling; then secondsOf holds what was found.
    void stop();
    double secondsOf(std::size_t body) const { return seconds[body]; }

private:
    static constexpr std::size_t kNoBody = ~std::size_t{0};

    void sampleUntilStopped();

    std::vector<double> seconds;  // per body; written by the sampling thread until stop
    std::chrono::microseconds period;
    std::atomic<std::size_t> current{kNoBody};
    std::mutex mutex;
    std::condition_variable wake;
    bool isStopping = false;
    std::thread sampler;
};
