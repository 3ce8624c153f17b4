#pragma once

#include <string>

// What the arguments ask for. Options are parsed the POSIX way (getopt_long), so later modes
// and options fit in; for now the one mode is the plain run with its two file names.
struct CommandLine {
    enum class Mode {
        Invalid,  // an unknown option or the wrong number of operands
        Run,      // dedb INPUT OUTPUT
    };
    Mode mode = Mode::Invalid;
    std::string input;
    std::string output;

    // Parses argv[1..argc-1]; prints nothing.
    static CommandLine parse(int argc, char* const* argv);
};
