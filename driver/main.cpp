#include <csignal>
#include <cstdio>

#include "check/Checker.h"
#include "driver/CommandLine.h"
#include "driver/Messages.h"
#include "driver/Run.h"
#include "driver/SignalCleanup.h"
#include "driver/Usage.h"
#include "engine/UsableCpus.h"
#include "explain/Explainer.h"

int main(int argc, char** argv) {
#ifdef SIGXFSZ
    // Past a file-size limit a write should fail and be reported, not end the process silently.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    installSignalCleanup();
    const CommandLine line = CommandLine::parse(argc, argv);
    const std::size_t threads = line.jobs != 0 ? line.jobs : usableCpuCount(CommandLine::kMostJobs);
    switch (line.mode) {
        case CommandLine::Mode::Run:
            return runProgram(line.input.c_str(), line.output.c_str(), threads);
        case CommandLine::Mode::Profile:
            return runProgram(line.input.c_str(), line.output.c_str(), threads, true);
        case CommandLine::Mode::Explain:
            return runExplain({.row = line.row,
                               .inputPath = line.input,
                               .isJson = line.isJson,
                               .depth = line.depth,
                               .threads = threads});
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
