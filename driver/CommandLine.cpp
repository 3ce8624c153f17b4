#include "driver/CommandLine.h"

#include <getopt.h>

#include <charconv>
#include <cstring>

namespace {

enum OptionCode : int { kHelp = 'h', kJobs = 'j', kCheck = 256, kVersion = 257 };

// More threads than this would only cost memory: no machine dedb runs on has that many CPUs.
constexpr std::size_t kMostJobs = 4096;

// A thread count in plain decimal digits, 1 to kMostJobs; 0 when the text is anything else.
std::size_t parseJobs(const char* text) {
    std::size_t jobs = 0;
    const char* end = text + std::strlen(text);
    const auto [stop, error] = std::from_chars(text, end, jobs);
    if (error != std::errc() || stop != end || *text < '0' || *text > '9') return 0;
    return jobs <= kMostJobs ? jobs : 0;
}

}  // namespace

CommandLine CommandLine::parse(int argc, char* const* argv) {
    static const option kOptions[] = {{"check", no_argument, nullptr, kCheck},
                                      {"help", no_argument, nullptr, kHelp},
                                      {"jobs", required_argument, nullptr, kJobs},
                                      {"version", no_argument, nullptr, kVersion},
                                      {nullptr, 0, nullptr, 0}};
    CommandLine line;
    bool isCheck = false;
    bool isHelp = false;
    bool isVersion = false;
    opterr = 0;  // a bad option is reported by the caller, in the run's own words
    optind = 0;  // starts afresh, so that a process may parse more than one command line
    for (int code; (code = getopt_long(argc, argv, "hj:", kOptions, nullptr)) != -1;) {
        switch (code) {
            case kCheck:
                isCheck = true;
                break;
            case kHelp:
                isHelp = true;
                break;
            case kVersion:
                isVersion = true;
                break;
            case kJobs:
                line.jobs = parseJobs(optarg);
                if (line.jobs == 0) return line;
                break;
            default:
                return line;  // unknown, or an argument given to an option that takes none
        }
    }
    const int operands = argc - optind;
    if (isHelp + isVersion + isCheck > 1) return line;
    if (isHelp || isVersion) {
        if (operands == 0) line.mode = isHelp ? Mode::Help : Mode::Version;
        return line;
    }
    if (isCheck) {
        if (operands != 1) return line;
        line.mode = Mode::Check;
        line.input = argv[optind];
        return line;
    }
    if (operands != 2) return line;
    line.mode = Mode::Run;
    line.input = argv[optind];
    line.output = argv[optind + 1];
    return line;
}
