#include <csignal>
#include <cstdio>

#include "check/Checker.h"
#include "driver/CommandLine.h"
#include "driver/Messages.h"
#include "driver/Run.h"
#include "driver/SignalCleanup.h"
#include "driver/Usage.h"

int main(int argc, char** argv) {
#ifdef SIGXFSZ
    // Past a file-size limit a write should fail and be reported, not end the process silently.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    installSignalCleanup();
    const CommandLine line = CommandLine::parse(argc, argv);
    switch (line.mode) {
        case CommandLine::Mode::Run:
            // One thread unless asked: sharing a pass among threads does not yet pay for its
            // extra steps on the workloads measured.
            return runProgram(line.input.c_str(), line.output.c_str(),
                              line.jobs != 0 ? line.jobs : 1);
        case CommandLine::Mode::Check:
            return runCheck(line.input.c_str());
        case CommandLine::Mode::Help:
            printHelp(stdout);
            return 0;
        case CommandLine::Mode::Version:
            printVersion(stdout);
            return 0;
        case CommandLine::Mode::Invalid:
            break;
    }
    return reportFailure(kBadArgumentsMessage);
}
