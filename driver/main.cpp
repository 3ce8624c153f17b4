#include <csignal>

#include "driver/Run.h"
#include "driver/SignalCleanup.h"

int main(int argc, char** argv) {
#ifdef SIGXFSZ
    // Past a file-size limit a write should fail and be reported, not end the process silently.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    installSignalCleanup();
    return runProgram(argc, argv);
}
