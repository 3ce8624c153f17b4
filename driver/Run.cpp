#include "driver/Run.h"

#include <cstdio>
#include <string>

#include "driver/Fixpoint.h"
#include "driver/InputText.h"
#include "driver/Messages.h"
#include "driver/OutputFile.h"
#include "driver/ProgramReader.h"

namespace {

int fail(const char* message) {
    std::fputs(message, stderr);
    std::fputc('\n', stderr);
    return 1;
}

}  // namespace

int runProgram(int argc, const char* const* argv) {
    if (argc != 3) return fail(kBadArgumentsMessage);
    // The input is read whole before the output is opened, so an output that names the input
    // file loses nothing.
    const std::optional<std::string> text = readWholeFile(argv[1]);
    if (!text) return fail(kInputOpenMessage);
    OutputFile output;
    if (!output.open(argv[2])) return fail(kOutputOpenMessage);

    const Program program = readProgram(splitLines(*text));
    output.write(program.echo);

    const std::vector<Relation> idb = evaluateToFixpoint(program.rules, program.edb);
    std::string result;
    for (const Relation& relation : idb) {
        relation.appendTo(result);
        result.push_back('\n');
    }
    output.write(result);
    if (!output.close()) return fail(kOutputWriteMessage);
    return 0;
}
