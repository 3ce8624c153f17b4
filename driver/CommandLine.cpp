#include "driver/CommandLine.h"

#include <getopt.h>

namespace {

enum OptionCode : int { kHelp = 'h', kCheck = 256, kVersion = 257 };

}  // namespace

CommandLine CommandLine::parse(int argc, char* const* argv) {
    static const option kOptions[] = {{"check", no_argument, nullptr, kCheck},
                                      {"help", no_argument, nullptr, kHelp},
                                      {"version", no_argument, nullptr, kVersion},
                                      {nullptr, 0, nullptr, 0}};
    CommandLine line;
    bool isCheck = false;
    bool isHelp = false;
    bool isVersion = false;
    opterr = 0;  // a bad option is reported by the caller, in the run's own words
    optind = 0;  // starts afresh, so that a process may parse more than one command line
    for (int code; (code = getopt_long(argc, argv, "h", kOptions, nullptr)) != -1;) {
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
