#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "driver/ProgressLine.h"
#include "tests/driver/RunDedb.h"

namespace {

using State = ProgressLine::State;
using Step = ProgressLine::Step;
constexpr std::string_view kErase = "\r\x1b[K";

TEST(ProgressLineText, ShowsTheStepsFigures) {
    const struct {
        State state;
        std::string shown;
    } kCases[] = {
        {{.step = Step::Reading, .inputBytes = 4 << 20, .bytesRead = 1 << 20, .seconds = 1.26},
         "reading     [#######-----------------------]  25%  1.0 MiB of 4.0 MiB  1.3 s"},
        {{.step = Step::Reading, .bytesRead = 3 << 20, .seconds = 2, .residentBytes = 5 << 20},
         "reading     3.0 MiB read  2.0 s  5.0 MiB in use"},
        {{.step = Step::Evaluating,
          .iteration = 1234,
          .rowsDerived = 5678901,
          .seconds = 3.04,
          .evaluationSeconds = 2},
         "evaluating  iteration 1,234  5,678,901 rows  2,839,450 rows/s  3.0 s"},
        {{.step = Step::Writing, .rowsToWrite = 200, .rowsWritten = 200, .seconds = 4},
         "writing     [##############################] 100%  200 of 200 rows  4.0 s"},
        // A count past its total shows the total.
        {{.step = Step::Reading, .inputBytes = 1 << 20, .bytesRead = 2 << 20},
         "reading     [##############################] 100%  1.0 MiB of 1.0 MiB  0.0 s"},
    };
    for (const auto& c : kCases) EXPECT_EQ(ProgressLine::text(c.state, 79), c.shown);
}

// However narrow the terminal, the line fits and never moves the cursor; the least telling
// figures go first.
TEST(ProgressLineText, FitsAnyWidth) {
    const std::vector<State> states = {
        {.step = Step::Reading,
         .inputBytes = 80 << 20,
         .bytesRead = 80 << 20,
         .residentBytes = 1 << 30},
        {.step = Step::Reading, .bytesRead = 123456789, .seconds = 12345},
        {.step = Step::Evaluating,
         .iteration = 123456789,
         .rowsDerived = 987654321987,
         .seconds = 99999,
         .evaluationSeconds = 0.5,
         .residentBytes = 1ull << 40},
        {.step = Step::Writing, .rowsToWrite = 987654321987, .rowsWritten = 12345678},
    };
    for (const State& state : states) {
        for (std::size_t width = 0; width <= 160; ++width) {
            const std::string line = ProgressLine::text(state, width);
            EXPECT_LE(line.size(), width) << line;
            EXPECT_EQ(line.find_first_of("\r\n\x1b"), std::string::npos) << line;
        }
        // With room enough, every figure is there, and the bar keeps to its longest.
        const std::string wide = ProgressLine::text(state, 160);
        EXPECT_EQ(wide.find(std::string(31, '#')), std::string::npos) << wide;
        EXPECT_NE(wide.find(" s"), std::string::npos) << wide;
        EXPECT_EQ(wide.find(" in use") != std::string::npos, state.residentBytes > 0) << wide;
    }
}

// A pseudo-terminal: what is written to the slave is read from the master.
class PseudoTerminal {
public:
    explicit PseudoTerminal(unsigned short columns) {
        winsize size{};
        size.ws_row = 24;
        size.ws_col = columns;
        isOpen = openpty(&master, &slave, nullptr, nullptr, &size) == 0;
        if (!isOpen) return;
        fcntl(master, F_SETFD, FD_CLOEXEC);
        fcntl(slave, F_SETFD, FD_CLOEXEC);
    }
    ~PseudoTerminal() {
        closeSlave();
        if (isOpen) close(master);
    }
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    int slaveFd() const { return slave; }
    void closeSlave() {
        if (slave >= 0) close(slave);
        slave = -1;
    }
    // Reads until isEnough holds for all read so far, the slave side is gone, or a generous
    // time has passed; returns everything read.
    const std::string& readUntil(const std::function<bool(const std::string&)>& isEnough) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!isEnough(seen) && std::chrono::steady_clock::now() < deadline) {
            pollfd ready{master, POLLIN, 0};
            if (poll(&ready, 1, 100) <= 0) continue;
            char buffer[4096];
            const ssize_t count = read(master, buffer, sizeof buffer);
            if (count <= 0) break;  // EIO: nothing holds the slave open any more
            seen.append(buffer, static_cast<std::size_t>(count));
        }
        return seen;
    }
    bool isUsable() const { return isOpen; }

private:
    int master = -1;
    int slave = -1;
    bool isOpen = false;
    std::string seen;
};

bool endsWith(const std::string& text, std::string_view end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::size_t drawings(const std::string& seen) {
    std::size_t count = 0;
    for (std::size_t at = seen.find('\r'); at != std::string::npos; at = seen.find('\r', at + 1)) {
        ++count;
    }
    return count;
}

// Every drawing starts at the line's start and clears what an older, longer one left, no line
// is ever ended, and each fits the terminal's columns.
void expectDrawnInPlace(const std::string& drawn, std::size_t columns) {
    ASSERT_FALSE(drawn.empty());
    EXPECT_EQ(drawn.front(), '\r');
    EXPECT_EQ(drawn.find('\n'), std::string::npos);
    std::size_t start = 0;
    while (start < drawn.size()) {
        const std::size_t next = drawn.find('\r', start + 1);
        const std::string piece = drawn.substr(start, next - start);
        EXPECT_TRUE(endsWith(piece, "\x1b[K")) << piece;
        EXPECT_LT(piece.size() - 4, columns) << piece;
        start = next == std::string::npos ? drawn.size() : next;
    }
}

TEST(ProgressLineOnATerminal, IsRedrawnInPlaceAndErasedWhenStopped) {
    PseudoTerminal terminal(60);
    if (!terminal.isUsable()) GTEST_SKIP() << "no pseudo-terminal";
    ProgressLine line(terminal.slaveFd(), std::chrono::milliseconds(0));
    line.startReading(1000);
    line.noteRead(500);
    terminal.readUntil(
        [](const std::string& seen) { return seen.find(" 50%") != std::string::npos; });
    line.startEvaluating();
    line.iterationEnded(3, 1234);
    terminal.readUntil([](const std::string& seen) {
        return seen.find("iteration 3  1,234 rows") != std::string::npos;
    });
    line.startWriting(10);
    line.noteWritten(10);
    terminal.readUntil(
        [](const std::string& seen) { return seen.find("100%") != std::string::npos; });
    line.stop();
    const std::string& seen =
        terminal.readUntil([](const std::string& text) { return endsWith(text, kErase); });
    ASSERT_TRUE(endsWith(seen, kErase)) << seen;
    EXPECT_GE(drawings(seen), 4u);
    expectDrawnInPlace(seen.substr(0, seen.size() - kErase.size()), 60);
}

TEST(ProgressLineOnATerminal, IsErasedWhenAnExceptionLeavesTheRun) {
    PseudoTerminal terminal(80);
    if (!terminal.isUsable()) GTEST_SKIP() << "no pseudo-terminal";
    try {
        ProgressLine line(terminal.slaveFd(), std::chrono::milliseconds(0));
        terminal.readUntil([](const std::string& seen) { return drawings(seen) >= 1; });
        throw std::bad_alloc();
    } catch (const std::bad_alloc&) {
    }
    ASSERT_EQ(write(terminal.slaveFd(), "end", 3), 3);
    const std::string& seen =
        terminal.readUntil([](const std::string& text) { return endsWith(text, "end"); });
    EXPECT_TRUE(endsWith(seen, std::string(kErase) + "end")) << seen;
}

TEST(ProgressLineOnATerminal, DrawsNothingBeforeTheDelay) {
    PseudoTerminal terminal(80);
    if (!terminal.isUsable()) GTEST_SKIP() << "no pseudo-terminal";
    {
        ProgressLine line(terminal.slaveFd(), std::chrono::hours(1));
        line.noteRead(12345);
    }
    // Whatever the line wrote would come before this.
    ASSERT_EQ(write(terminal.slaveFd(), "end", 3), 3);
    EXPECT_EQ(terminal.readUntil([](const std::string& seen) { return endsWith(seen, "end"); }),
              "end");
}

// A dedb process whose input is a named pipe the test fills, so that the run lasts as long as
// the test wants, with its standard error on the given descriptor.
class DedbOnPipe {
public:
    DedbOnPipe(const ScratchDirectory& scratch, int errorFd)
        : inputPath(scratch.path("input.fifo")), outputPath(scratch.path("output.txt")) {
        mkfifo(inputPath.c_str(), 0600);
        std::vector<std::string> words = {DEDB_BINARY, inputPath, outputPath};
        std::vector<char*> argv;
        for (std::string& word : words) argv.push_back(word.data());
        argv.push_back(nullptr);
        processId = fork();
        if (processId == 0) {
            const int nothing = open("/dev/null", O_RDWR);
            dup2(nothing, 0);
            dup2(nothing, 1);
            dup2(errorFd, 2);
            execv(argv[0], argv.data());
            _exit(127);
        }
        input = open(inputPath.c_str(), O_WRONLY | O_CLOEXEC);
    }
    ~DedbOnPipe() {
        finishInput();
        if (processId > 0) waitpid(processId, nullptr, 0);
    }
    DedbOnPipe(const DedbOnPipe&) = delete;
    DedbOnPipe& operator=(const DedbOnPipe&) = delete;

    // Returns once dedb has taken all but what the pipe holds, which is past its first chunk.
    void feed(std::string_view text) {
        while (!text.empty()) {
            const ssize_t count = write(input, text.data(), text.size());
            if (count <= 0) return;
            text.remove_prefix(static_cast<std::size_t>(count));
        }
    }
    void finishInput() {
        if (input >= 0) close(input);
        input = -1;
    }
    std::size_t threadCount() const { return folderEntries(tasksFolder()).size(); }
    // The signals each thread but the first blocks, from the lines "SigBlk: HEX" of its status.
    std::vector<unsigned long long> blockedByOtherThreads() const {
        std::vector<unsigned long long> masks;
        for (const std::string& task : folderEntries(tasksFolder())) {
            if (task == std::to_string(processId)) continue;
            const std::string status = readFileBytes(tasksFolder() + "/" + task + "/status");
            const std::size_t at = status.find("SigBlk:");
            if (at != std::string::npos)
                masks.push_back(std::stoull(status.substr(at + 7), nullptr, 16));
        }
        return masks;
    }
    int wait() {
        finishInput();
        int status = 0;
        waitpid(processId, &status, 0);
        processId = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    // Sends the signal and returns the one that ended the process, or -1 when it exited.
    int endBySignal(int signalNumber) {
        kill(processId, signalNumber);
        int status = 0;
        waitpid(processId, &status, 0);
        processId = -1;
        return WIFSIGNALED(status) ? WTERMSIG(status) : -1;
    }
    std::string output() const { return readFileBytes(outputPath); }

private:
    std::string tasksFolder() const { return "/proc/" + std::to_string(processId) + "/task"; }

    std::string inputPath;
    std::string outputPath;
    int processId = -1;
    int input = -1;
};

// An input of a few MiB, given in two halves, that --check finds one thing in.
std::string longInput() {
    std::string rows;
    for (int i = 0; i < 300000; ++i)
        rows += std::to_string(i) + "," + std::to_string(i % 97) + "\n";
    return "p(X)<-e(X,Y),Y<3\nq(X)<-E(X)\n\ne(A,B)\n" + rows;
}

// The binary as installed: on a terminal, a run longer than a second draws its line from a
// thread of its own, in place, and erases it before its findings; anywhere else it starts no
// such thread and writes nothing; and the output is the same either way.
TEST(ProgressLineRun, IsDrawnOnATerminalOnlyAndChangesNoOutput) {
    const std::string input = longInput();
    const std::size_t half = input.size() / 2;
    const ScratchDirectory scratch;
    writeFileBytes(scratch.path("input.txt"), input);
    ASSERT_EQ(runDedb({scratch.path("input.txt"), scratch.path("plain.txt")}).exitStatus, 0);
    const std::string expected = readFileBytes(scratch.path("plain.txt"));

    std::size_t quietThreads = 0;
    {
        int errors[2];
        ASSERT_EQ(pipe2(errors, O_CLOEXEC), 0);
        const ScratchDirectory folder;
        DedbOnPipe run(folder, errors[1]);
        close(errors[1]);
        run.feed(input.substr(0, half));
        quietThreads = run.threadCount();
        // Longer than the delay after which a terminal would see the line.
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        run.feed(input.substr(half));
        EXPECT_EQ(run.wait(), 0);
        std::string seen;
        char buffer[256];
        for (ssize_t count; (count = read(errors[0], buffer, sizeof buffer)) > 0;) {
            seen.append(buffer, static_cast<std::size_t>(count));
        }
        close(errors[0]);
        EXPECT_EQ(seen, "");
        EXPECT_EQ(run.output(), expected);
    }

    PseudoTerminal terminal(72);
    if (!terminal.isUsable()) GTEST_SKIP() << "no pseudo-terminal";
    const ScratchDirectory folder;
    DedbOnPipe run(folder, terminal.slaveFd());
    terminal.closeSlave();
    run.feed(input.substr(0, half));
    EXPECT_EQ(run.threadCount(), quietThreads + 1);
    // The calling thread takes the signals that end a run and removes its temporary file.
    for (const unsigned long long blocked : run.blockedByOtherThreads()) {
        for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGXCPU}) {
            EXPECT_NE(blocked & (1ull << (signalNumber - 1)), 0u) << signalNumber;
        }
    }
    // The input's size is not known from a pipe: the line counts what is read. Two drawings
    // while the run waits for the rest.
    terminal.readUntil([](const std::string& seen) { return drawings(seen) >= 2; });
    run.feed(input.substr(half));
    EXPECT_EQ(run.wait(), 0);
    const std::string& seen = terminal.readUntil([](const std::string&) { return false; });
    EXPECT_EQ(run.output(), expected);
    ASSERT_GE(drawings(seen), 3u) << seen;
    EXPECT_NE(seen.find("MiB read"), std::string::npos) << seen;
    const std::size_t findings = seen.find("dedb: ");
    ASSERT_NE(findings, std::string::npos) << seen;
    EXPECT_EQ(seen.substr(findings - kErase.size()),
              std::string(kErase) + "dedb: " + folder.path("input.fifo") +
                  ": 1 finding; 'dedb --check " + folder.path("input.fifo") + "' lists them\r\n");
    expectDrawnInPlace(seen.substr(0, findings - kErase.size()), 72);
}

// A run that a signal ends erases its line, so that the shell's prompt starts on a clean line.
TEST(ProgressLineRun, IsErasedWhenASignalEndsTheRun) {
    const std::string input = longInput();
    PseudoTerminal terminal(72);
    if (!terminal.isUsable()) GTEST_SKIP() << "no pseudo-terminal";
    const ScratchDirectory folder;
    DedbOnPipe run(folder, terminal.slaveFd());
    terminal.closeSlave();
    run.feed(input.substr(0, input.size() / 2));
    terminal.readUntil([](const std::string& seen) { return drawings(seen) >= 1; });
    EXPECT_EQ(run.endBySignal(SIGINT), SIGINT);
    const std::string& seen = terminal.readUntil([](const std::string&) { return false; });
    ASSERT_GE(drawings(seen), 1u) << seen;
    EXPECT_EQ(seen.substr(seen.size() - kErase.size()), kErase) << seen;
}

}  // namespace
