#include "driver/SignalCleanup.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <csignal>

namespace {

// Interruptions from the user or the system, and the crashes a bug would cause: each leaves the
// output as it was, so the temporary file is all there is to tidy.
constexpr int kHandledSignals[] = {SIGINT,  SIGTERM, SIGHUP, SIGQUIT, SIGXCPU,
                                   SIGSEGV, SIGBUS,  SIGFPE, SIGILL,  SIGABRT};

std::atomic<const char*> pendingFile{nullptr};
static_assert(std::atomic<const char*>::is_always_lock_free, "read inside a signal handler");
std::atomic<int> lineTerminal{-1};
static_assert(std::atomic<int>::is_always_lock_free, "read inside a signal handler");

void removePendingFile(int signalNumber) {
    const char* path = pendingFile.load();
    if (path != nullptr) unlink(path);
    const int terminal = lineTerminal.load();
    if (terminal >= 0) {
        constexpr char kEraseLine[] = "\r\x1b[K";
        const ssize_t written = write(terminal, kEraseLine, sizeof kEraseLine - 1);
        static_cast<void>(written);  // nothing more can be done for the terminal here
    }
    // SA_RESETHAND restored the default action; the signal stays blocked until the handler
    // returns, and then ends the process as it would have without the handler.
    raise(signalNumber);
}

sigset_t handledSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (int signalNumber : kHandledSignals) sigaddset(&set, signalNumber);
    return set;
}

}  // namespace

void installSignalCleanup() {
    for (int signalNumber : kHandledSignals) {
        struct sigaction previous {};
        if (sigaction(signalNumber, nullptr, &previous) != 0) continue;
        // Ignored signals stay ignored; a handler that a runtime (a sanitizer) put there stays.
        if ((previous.sa_flags & SA_SIGINFO) != 0 || previous.sa_handler != SIG_DFL) continue;
        struct sigaction action {};
        action.sa_handler = &removePendingFile;
        action.sa_flags = SA_RESETHAND;
        action.sa_mask = handledSignals();
        sigaction(signalNumber, &action, nullptr);
    }
}

void removeOnSignal(const char* path) { pendingFile.store(path); }

void eraseLineOnSignal(int terminal) { lineTerminal.store(terminal); }

SignalsHeldBack::SignalsHeldBack() {
    const sigset_t set = handledSignals();
    sigprocmask(SIG_BLOCK, &set, &previous);
}

SignalsHeldBack::~SignalsHeldBack() { sigprocmask(SIG_SETMASK, &previous, nullptr); }
