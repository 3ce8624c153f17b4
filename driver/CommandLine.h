#pragma once

#include <cstddef>
#include <string>

// What the arguments ask for, parsed the POSIX way (getopt_long): options first or anywhere, "--"
// ends them, a lone "-" is a file name. With exactly two arguments that are not options, the
// plain run.
struct CommandLine {
    enum class Mode {
        Invalid,  // an unknown option, or the wrong operands for the mode
        Run,      // dedb INPUT OUTPUT
        Check,    // dedb --check INPUT
        Help,     // dedb --help, -h
        Version,  // dedb --version
        Explain,  // dedb --explain ROW INPUT, or --explain-json ROW INPUT
        Profile,  // dedb --profile INPUT OUTPUT: a plain run that ends with a profile
    };
    Mode mode = Mode::Invalid;
    std::string input;
    std::string output;
    // Threads for evaluation: --jobs N, -j N; 0 when not given, meaning every usable CPU.
    std::size_t jobs = 0;
    // For --explain: the row as written, whether the tree is wanted as JSON, and how many
    // levels of it to print (--depth N; 0 when not given, meaning all).
    std::string row;
    bool isJson = false;
    std::size_t depth = 0;

    // More threads than this would only cost memory: no machine dedb runs on has that many CPUs.
    static constexpr std::size_t kMostJobs = 4096;

    // Parses argv[1..argc-1]; prints nothing.
    static CommandLine parse(int argc, char* const* argv);
};
