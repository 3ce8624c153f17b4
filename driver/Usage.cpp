#include "driver/Usage.h"

void printHelp(std::FILE* out) {
    std::fputs(
        "Usage: dedb [-j N] [--profile] INPUT OUTPUT\n"
        "       dedb --check INPUT\n"
        "       dedb [--depth N] --explain ROW INPUT\n"
        "Derive every relation that the rules and stored relations in INPUT imply, and write\n"
        "the input and the derived relations to OUTPUT.\n"
        "\n"
        "  --check         read INPUT as a run would, evaluate nothing, and report what\n"
        "                  will likely not mean what was written, as\n"
        "                  FILE:LINE:COLUMN: warning: TEXT; exit status 0 when nothing\n"
        "                  was found, 1 when something was, 2 when INPUT cannot be read\n"
        "  --explain ROW   evaluate INPUT and show on stdout how ROW, written like\n"
        "                  path(1,4), was first derived, as a tree down to stored\n"
        "                  rows; for a row that is not derived, which element of each\n"
        "                  of its rule's lines fails; exit status 0 when ROW is there,\n"
        "                  1 when it is not, 2 when it names nothing or INPUT cannot\n"
        "                  be read\n"
        "  --explain-json ROW  the same tree as JSON, for tools\n"
        "  --depth N       show N levels of the tree, and where it was cut\n"
        "  --profile       a plain run that ends by writing on stderr, per rule line,\n"
        "                  the rows it derived first, the combinations it found and\n"
        "                  its time, and per rule the iterations in which it grew\n"
        "  -j, --jobs=N    run on N threads (default: every CPU dedb may use);\n"
        "                  the output is the same for every N\n"
        "  -h, --help      show this help and exit\n"
        "  --version       show the version and exit\n"
        "  --              end the options: the file names that follow may start with '-'\n"
        "\n"
        "Example:\n"
        "  dedb --check family.txt && dedb family.txt result.txt\n"
        "  dedb --explain \"ancestor('Anna','Feri')\" family.txt\n"
        "\n"
        "On a terminal, a run that takes more than a second shows its progress on stderr.\n",
        out);
}

void printVersion(std::FILE* out) { std::fputs("dedb " DEDB_VERSION "\n", out); }
