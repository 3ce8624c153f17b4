#pragma once

#include <string>

// Runs a command line with /bin/sh, its standard input empty, and collects what it writes.
struct ShellRun {
    int exitStatus = -1;
    std::string standardOutput;
    std::string standardError;
};
ShellRun runShell(const std::string& command);
std::string shellQuoted(const std::string& text);
