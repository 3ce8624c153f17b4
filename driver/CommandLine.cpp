#include "driver/CommandLine.h"

#include <getopt.h>

CommandLine CommandLine::parse(int argc, char* const* argv) {
    static const option kOptions[] = {{nullptr, 0, nullptr, 0}};
    CommandLine line;
    opterr = 0;  // a bad option is reported by the caller, in the run's own words
    optind = 0;  // starts afresh, so that a process may parse more than one command line
    if (getopt_long(argc, argv, "", kOptions, nullptr) != -1) return line;  // none known yet
    if (argc - optind != 2) return line;
    line.mode = Mode::Run;
    line.input = argv[optind];
    line.output = argv[optind + 1];
    return line;
}
