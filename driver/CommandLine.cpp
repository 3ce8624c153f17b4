#include "driver/CommandLine.h"

#include <getopt.h>

#include <charconv>
#include <cstring>

namespace {

enum OptionCode : int {
    kHelp = 'h',
    kJobs = 'j',
    kCheck = 256,
    kVersion,
    kExplain,
    kExplainJson,
    kDepth,
    kProfile,
};

// A count in plain decimal digits, 1 to most; 0 when the text is anything else.
std::size_t parseCount(const char* text, std::size_t most) {
    std::size_t count = 0;
    const char* end = text + std::strlen(text);
    const auto [stop, error] = std::from_chars(text, end, count);
    if (error != std::errc() || stop != end || *text < '0' || *text > '9') return 0;
    return count <= most ? count : 0;
}

}  // namespace

CommandLine CommandLine::parse(int argc, char* const* argv) {
    static const option kOptions[] = {{"check", no_argument, nullptr, kCheck},
                                      {"depth", required_argument, nullptr, kDepth},
                                      {"explain", required_argument, nullptr, kExplain},
                                      {"explain-json", required_argument, nullptr, kExplainJson},
                                      {"help", no_argument, nullptr, kHelp},
                                      {"jobs", required_argument, nullptr, kJobs},
                                      {"profile", no_argument, nullptr, kProfile},
                                      {"version", no_argument, nullptr, kVersion},
                                      {nullptr, 0, nullptr, 0}};
    CommandLine line;
    bool isCheck = false;
    bool isHelp = false;
    bool isVersion = false;
    bool isExplain = false;
    bool isProfile = false;
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
                line.jobs = parseCount(optarg, CommandLine::kMostJobs);
                if (line.jobs == 0) return line;
                break;
            case kExplain:
            case kExplainJson:
                if (isExplain) return line;
                isExplain = true;
                line.isJson = code == kExplainJson;
                line.row = optarg;
                break;
            case kDepth:
                line.depth = parseCount(optarg, ~std::size_t{0});
                if (line.depth == 0) return line;
                break;
            case kProfile:
                isProfile = true;
                break;
            default:
                return line;  // unknown, or an argument given to an option that takes none
        }
    }
    const int operands = argc - optind;
    if (isHelp + isVersion + isCheck + isExplain + isProfile > 1) return line;
    if (line.depth != 0 && !isExplain) return line;
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
    if (isExplain) {
        if (operands != 1) return line;
        line.mode = Mode::Explain;
        line.input = argv[optind];
        return line;
    }
    if (operands != 2) return line;
    line.mode = isProfile ? Mode::Profile : Mode::Run;
    line.input = argv[optind];
    line.output = argv[optind + 1];
    return line;
}
