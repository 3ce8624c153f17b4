#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "driver/BodySampler.h"

namespace {

using std::chrono::milliseconds;

// The time a body gets is sampled, so only what must hold whatever the machine's load is
// checked: the running body gets time, no more than passed, and bodies that never ran get none.
TEST(BodySampler, GivesTheRunningBodyTheTimeAndNoOtherAny) {
    const auto start = std::chrono::steady_clock::now();
    BodySampler sampler(3, std::chrono::microseconds(500));
    sampler.enter(1);
    std::this_thread::sleep_for(milliseconds(100));
    sampler.leave();
    std::this_thread::sleep_for(milliseconds(20));
    sampler.stop();
    const double passed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    EXPECT_GT(sampler.secondsOf(1), 0.0);
    EXPECT_LE(sampler.secondsOf(1), passed);
    EXPECT_EQ(sampler.secondsOf(0), 0.0);
    EXPECT_EQ(sampler.secondsOf(2), 0.0);
}

TEST(BodySampler, StopsPromptlyAndTwice) {
    const auto start = std::chrono::steady_clock::now();
    BodySampler sampler(1, std::chrono::microseconds(10'000'000));  // a look every ten seconds
    sampler.stop();
    sampler.stop();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(sampler.secondsOf(0), 0.0);
}

}  // namespace
