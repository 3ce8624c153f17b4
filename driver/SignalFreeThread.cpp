#include "driver/SignalFreeThread.h"

#include <pthread.h>

#include <csignal>
#include <utility>

namespace {

// Blocks every signal on the calling thread for its lifetime, so that a thread started meanwhile
// begins with them all blocked.
class AllSignalsBlocked {
public:
    AllSignalsBlocked() {
        sigset_t all;
        sigfillset(&all);
        pthread_sigmask(SIG_BLOCK, &all, &previous);
    }
    ~AllSignalsBlocked() { pthread_sigmask(SIG_SETMASK, &previous, nullptr); }
    AllSignalsBlocked(const AllSignalsBlocked&) = delete;
    AllSignalsBlocked& operator=(const AllSignalsBlocked&) = delete;

private:
    sigset_t previous;
};

}  // namespace

std::thread startSignalFreeThread(std::function<void()> work) {
    const AllSignalsBlocked blocked;
    return std::thread(std::move(work));
}
