#include "driver/BodySampler.h"

#include <system_error>

#include "driver/SignalFreeThread.h"

BodySampler::BodySampler(std::size_t bodyCount, std::chrono::microseconds interval)
    : seconds(bodyCount, 0.0), period(interval) {
    try {
        sampler = startSignalFreeThread([this] { sampleUntilStopped(); });
    } catch (const std::system_error&) {
        // No thread to be had: the run goes on, and its bodies show no time.
    }
}

BodySampler::~BodySampler() { stop(); }

void BodySampler::stop() {
    if (!sampler.joinable()) return;
    {
        const std::lock_guard<std::mutex> lock(mutex);
        isStopping = true;
    }
    wake.notify_one();
    sampler.join();
}

void BodySampler::sampleUntilStopped() {
    using Clock = std::chrono::steady_clock;
    Clock::time_point last = Clock::now();
    std::unique_lock<std::mutex> lock(mutex);
    while (!wake.wait_for(lock, period, [this] { return isStopping; })) {
        const Clock::time_point now = Clock::now();
        const std::size_t body = current.load(std::memory_order_relaxed);
        if (body != kNoBody) seconds[body] += std::chrono::duration<double>(now - last).count();
        last = now;
    }
}
