#include "driver/ProgressLine.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string_view>
#include <system_error>
#include <vector>

#include "driver/NumberText.h"
#include "driver/SignalCleanup.h"
#include "driver/SignalFreeThread.h"

namespace {

constexpr std::chrono::milliseconds kRedrawInterval{100};
constexpr std::size_t kColumnsWhenUnknown = 80;
constexpr std::size_t kLabelColumns = 10;  // "evaluating"
constexpr std::size_t kShortestBar = 10;
constexpr std::size_t kLongestBar = 30;
constexpr std::string_view kEraseLine = "\r\x1b[K";

// A terminal that takes only part of a write gets the rest; one that fails gets nothing more.
void writeAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t written = ::write(fd, text.data(), text.size());
        if (written <= 0) return;
        text.remove_prefix(static_cast<std::size_t>(written));
    }
}

std::size_t terminalColumns(int fd) {
    winsize size{};
    if (ioctl(fd, TIOCGWINSZ, &size) != 0 || size.ws_col == 0) return kColumnsWhenUnknown;
    return size.ws_col;
}

// The resident size from /proc/self/statm, or 0 where there is none.
std::uint64_t residentBytes(long pageBytes) {
    const int file = ::open("/proc/self/statm", O_RDONLY | O_CLOEXEC);
    if (file < 0) return 0;
    char text[128];
    const ssize_t count = ::read(file, text, sizeof text - 1);
    ::close(file);
    if (count <= 0) return 0;
    text[count] = '\0';
    unsigned long long pages = 0;
    unsigned long long resident = 0;
    if (std::sscanf(text, "%llu %llu", &pages, &resident) != 2 || pageBytes <= 0) return 0;
    return resident * static_cast<std::uint64_t>(pageBytes);
}

std::string mebibytes(std::uint64_t bytes) {
    return groupedDecimal(static_cast<double>(bytes) / (1024 * 1024), 1) + " MiB";
}

// The share done in whole percent, never past 100.
std::size_t percentOf(std::uint64_t done, std::uint64_t total) {
    if (total == 0) return 0;
    return static_cast<std::size_t>(std::min<std::uint64_t>(done, total) * 100 / total);
}

std::string barText(std::size_t percent, std::size_t cells) {
    const std::size_t filled = percent * cells / 100;
    std::string bar = "[";
    bar.append(filled, '#');
    bar.append(cells - filled, '-');
    bar += "] ";
    const std::string number = std::to_string(percent) + "%";
    bar.append(4 - std::min<std::size_t>(4, number.size()), ' ');
    return bar + number;
}

}  // namespace

ProgressLine::ProgressLine(int terminal, std::chrono::milliseconds wait)
    : fd(terminal), delay(wait), start(Clock::now()), pageBytes(sysconf(_SC_PAGESIZE)) {
    try {
        drawer = startSignalFreeThread([this] { drawUntilStopped(); });
    } catch (const std::system_error&) {
        // No thread to be had: the run goes on without its line.
    }
}

ProgressLine::~ProgressLine() { stop(); }

void ProgressLine::startReading(std::uint64_t inputBytes) {
    inputSize.store(inputBytes, std::memory_order_relaxed);
}

// The step is stored last and released, so that a drawing that sees it sees its totals.
void ProgressLine::startEvaluating() {
    evaluationStart.store(nanosecondsNow(), std::memory_order_relaxed);
    step.store(Step::Evaluating, std::memory_order_release);
}

void ProgressLine::startWriting(std::uint64_t rows) {
    rowsToWrite.store(rows, std::memory_order_relaxed);
    step.store(Step::Writing, std::memory_order_release);
}

void ProgressLine::stop() {
    if (!drawer.joinable()) return;
    {
        const std::lock_guard<std::mutex> lock(mutex);
        isStopping = true;
    }
    stopping.notify_one();
    drawer.join();
    eraseLineOnSignal(-1);
    if (isDrawn) writeAll(fd, kEraseLine);
}

void ProgressLine::drawUntilStopped() {
    std::unique_lock<std::mutex> lock(mutex);
    Clock::time_point next = start + delay;
    while (!stopping.wait_until(lock, next, [this] { return isStopping; })) {
        lock.unlock();
        draw();
        lock.lock();
        next = std::max(next + kRedrawInterval, Clock::now());
    }
}

void ProgressLine::draw() {
    try {
        std::string line = "\r";
        line += text(currentState(), terminalColumns(fd) - 1);
        line += "\x1b[K";
        if (!isDrawn) eraseLineOnSignal(fd);
        isDrawn = true;
        writeAll(fd, line);
    } catch (const std::bad_alloc&) {
        // Short of memory: this drawing is skipped, and the run will say so if it fails.
    }
}

std::int64_t ProgressLine::nanosecondsNow() const {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start).count();
}

ProgressLine::State ProgressLine::currentState() const {
    State state;
    state.step = step.load(std::memory_order_acquire);
    state.inputBytes = inputSize.load(std::memory_order_relaxed);
    state.bytesRead = bytesRead.load(std::memory_order_relaxed);
    state.iteration = iterations.load(std::memory_order_relaxed);
    state.rowsDerived = rowsDerived.load(std::memory_order_relaxed);
    state.rowsToWrite = rowsToWrite.load(std::memory_order_relaxed);
    state.rowsWritten = rowsWritten.load(std::memory_order_relaxed);
    const std::int64_t now = nanosecondsNow();
    state.seconds = static_cast<double>(now) / 1e9;
    if (state.step != Step::Reading) {
        state.evaluationSeconds =
            static_cast<double>(now - evaluationStart.load(std::memory_order_relaxed)) / 1e9;
    }
    state.residentBytes = residentBytes(pageBytes);
    return state;
}

std::string ProgressLine::text(const State& state, std::size_t width) {
    std::string label;
    bool hasBar = false;
    std::size_t percent = 0;
    std::vector<std::string> fields;  // the most telling first
    switch (state.step) {
        case Step::Reading:
            label = "reading";
            if (state.inputBytes == kUnknownSize) {
                fields.push_back(mebibytes(state.bytesRead) + " read");
            } else {
                hasBar = true;
                percent = percentOf(state.bytesRead, state.inputBytes);
                fields.push_back(mebibytes(std::min(state.bytesRead, state.inputBytes)) + " of " +
                                 mebibytes(state.inputBytes));
            }
            break;
        case Step::Evaluating:
            label = "evaluating";
            fields.push_back("iteration " + groupedDigits(state.iteration));
            fields.push_back(groupedDigits(state.rowsDerived) + " rows");
            if (state.evaluationSeconds > 0) {
                const double rate =
                    static_cast<double>(state.rowsDerived) / state.evaluationSeconds;
                fields.push_back(groupedDigits(static_cast<std::uint64_t>(rate)) + " rows/s");
            }
            break;
        case Step::Writing:
            label = "writing";
            hasBar = true;
            percent = percentOf(state.rowsWritten, state.rowsToWrite);
            fields.push_back(groupedDigits(std::min(state.rowsWritten, state.rowsToWrite)) +
                             " of " + groupedDigits(state.rowsToWrite) + " rows");
            break;
    }
    fields.push_back(groupedDecimal(state.seconds, 1) + " s");
    if (state.residentBytes > 0) fields.push_back(mebibytes(state.residentBytes) + " in use");
    label.resize(kLabelColumns, ' ');

    // Fields are left out from the end until the line, with a bar of at least its shortest
    // length, fits; a line that never fits is cut.
    for (std::size_t kept = fields.size();; --kept) {
        std::string tail;
        for (std::size_t f = 0; f < kept; ++f) tail += "  " + fields[f];
        std::string line = label;
        if (hasBar) {
            const std::size_t fixed = line.size() + 2 + barText(percent, 0).size() + tail.size();
            if (fixed + kShortestBar > width && kept > 0) continue;
            const std::size_t cells = width > fixed ? std::min(width - fixed, kLongestBar) : 0;
            line += "  " + barText(percent, cells);
        } else if (line.size() + tail.size() > width && kept > 0) {
            continue;
        }
        line += tail;
        if (line.size() > width) line.resize(width);
        while (!line.empty() && line.back() == ' ') line.pop_back();
        return line;
    }
}
