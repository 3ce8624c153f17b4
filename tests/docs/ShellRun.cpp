#include "tests/docs/ShellRun.h"

#include <sys/wait.h>

#include <cstdlib>

#include "tests/driver/RunDedb.h"

std::string shellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

ShellRun runShell(const std::string& command) {
    const ScratchDirectory scratch;
    const std::string outPath = scratch.path("stdout");
    const std::string errorPath = scratch.path("stderr");
    const std::string full = "{ " + command + "\n} >" + shellQuoted(outPath) + " 2>" +
                             shellQuoted(errorPath) + " </dev/null";
    const int status = std::system(full.c_str());
    ShellRun run;
    run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.standardOutput = readFileBytes(outPath);
    run.standardError = readFileBytes(errorPath);
    return run;
}
