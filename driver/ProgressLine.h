#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "data/RelationTable.h"
#include "engine/FixpointObserver.h"

// One status line on a terminal for a run that takes a while: the share of the input read, then
// the iteration and the rows derived, then the share of rows written, redrawn in place. The run
// only stores counters, at coarse points and without ordering; a thread of its own wakes every
// tenth of a second to draw them once the run has lasted the delay, and the line is erased when
// the run stops it, so that whatever the run prints next starts on a clean line.
class ProgressLine final : public FixpointObserver {
public:
    // Draws on the terminal fd; nothing before the run has lasted delay.
    ProgressLine(int fd, std::chrono::milliseconds delay);
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    // The steps of a run, in order. An input size of kUnknownSize (a pipe) shows the bytes
    // read instead of a share.
    void startReading(std::uint64_t inputBytes);
    void noteRead(std::uint64_t bytes) { bytesRead.store(bytes, std::memory_order_relaxed); }
    void startEvaluating();
    void startWriting(std::uint64_t rows);
    void noteWritten(std::uint64_t rows) { rowsWritten.store(rows, std::memory_order_relaxed); }
    // Stops drawing and erases the line; the run calls it before it writes anything else on the
    // terminal, and the destructor when an exception leaves the run.
    void stop();

    void ruleCommitted(std::size_t, std::size_t, const RelationTable&, std::size_t) override {}
    void iterationEnded(std::size_t iteration, std::uint64_t rowCount) override {
        iterations.store(iteration, std::memory_order_relaxed);
        rowsDerived.store(rowCount, std::memory_order_relaxed);
    }

    static constexpr std::uint64_t kUnknownSize = ~std::uint64_t{0};

    enum class Step { Reading, Evaluating, Writing };
    // What one drawing shows.
    struct State {
        Step step = Step::Reading;
        std::uint64_t inputBytes = kUnknownSize;
        std::uint64_t bytesRead = 0;
        std::uint64_t iteration = 0;
        std::uint64_t rowsDerived = 0;
        std::uint64_t rowsToWrite = 0;
        std::uint64_t rowsWritten = 0;
        double seconds = 0;               // since the run started
        double evaluationSeconds = 0;     // since the evaluation started
        std::uint64_t residentBytes = 0;  // 0 when unknown
    };
    // The line for the state, at most width columns wide: fields that do not fit are left out,
    // the least telling first.
    static std::string text(const State& state, std::size_t width);

private:
    using Clock = std::chrono::steady_clock;

    void drawUntilStopped();
    void draw();
    State currentState() const;
    std::int64_t nanosecondsNow() const;

    const int fd;
    const std::chrono::milliseconds delay;
    const Clock::time_point start;
    const long pageBytes;
    // Written by the run, read by the drawing thread; each stands alone.
    std::atomic<Step> step{Step::Reading};
    std::atomic<std::uint64_t> inputSize{kUnknownSize};
    std::atomic<std::uint64_t> bytesRead{0};
    std::atomic<std::int64_t> evaluationStart{0};  // nanoseconds after start
    std::atomic<std::uint64_t> iterations{0};
    std::atomic<std::uint64_t> rowsDerived{0};
    std::atomic<std::uint64_t> rowsToWrite{0};
    std::atomic<std::uint64_t> rowsWritten{0};
    // Set by the drawing thread, read once it is joined.
    bool isDrawn = false;
    std::mutex mutex;
    std::condition_variable stopping;
    bool isStopping = false;
    std::thread drawer;
};
