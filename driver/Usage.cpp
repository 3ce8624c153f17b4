#include "driver/Usage.h"

void printHelp(std::FILE* out) {
    std::fputs(
        "Usage: dedb [-j N] INPUT OUTPUT\n"
        "       dedb --check INPUT\n"
        "Derive every relation that the rules and stored relations in INPUT imply, and write\n"
        "the input and the derived relations to OUTPUT.\n"
        "\n"
        "  --check         read INPUT as a run would, evaluate nothing, and report what\n"
        "                  will likely not mean what was written, as\n"
        "                  FILE:LINE:COLUMN: warning: TEXT; exit status 0 when nothing\n"
        "                  was found, 1 when something was, 2 when INPUT cannot be read\n"
        "  -j, --jobs=N    evaluate on N threads (default 1); the output is the same\n"
        "                  for every N\n"
        "  -h, --help      show this help and exit\n"
        "  --version       show the version and exit\n"
        "  --              end the options: the file names that follow may start with '-'\n"
        "\n"
        "Example:\n"
        "  dedb --check family.txt && dedb family.txt result.txt\n",
        out);
}

void printVersion(std::FILE* out) { std::fputs("dedb " DEDB_VERSION "\n", out); }
