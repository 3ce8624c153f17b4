#include "tests/driver/RunDedb.h"

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

std::string shellQuote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'') {
            quoted += "'\\''";
        } else {
            quoted += c;
        }
    }
    return quoted + "'";
}

std::string dedbCommand(const std::vector<std::string>& arguments) {
    std::string command = shellQuote(DEDB_BINARY);
    for (const std::string& argument : arguments) {
        command += ' ';
        command += shellQuote(argument);
    }
    return command;
}

}  // namespace

DedbRun runDedbWithoutFileSpace(const std::vector<std::string>& arguments) {
    const ScratchDirectory scratch;
    const std::string errorPath = scratch.path("stderr");
    std::string command = "{ (ulimit -f 0; exec ";
    command += dedbCommand(arguments);
    command += " </dev/null) 2>&1 >/dev/null; echo \" $?\"; } | cat >";
    command += shellQuote(errorPath);
    std::system(command.c_str());
    std::string text = readFileBytes(errorPath);
    DedbRun run;
    const std::size_t mark = text.rfind(' ');
    if (mark == std::string::npos) return run;
    run.exitStatus = std::atoi(text.c_str() + mark + 1);
    run.standardError = text.substr(0, mark);
    return run;
}

DedbRun runDedb(const std::vector<std::string>& arguments) {
    const ScratchDirectory scratch;
    const std::string errorPath = scratch.path("stderr");
    std::string command = dedbCommand(arguments);
    command += " 2>";
    command += shellQuote(errorPath);
    command += " </dev/null";
    const int status = std::system(command.c_str());
    DedbRun run;
    run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.standardError = readFileBytes(errorPath);
    return run;
}

std::string readFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void writeFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

bool fileExists(const std::string& path) { return std::filesystem::exists(path); }

ScratchDirectory::ScratchDirectory() {
    std::string pattern = (std::filesystem::temp_directory_path() / "dedb-test-XXXXXX").string();
    root = mkdtemp(pattern.data());
}

ScratchDirectory::~ScratchDirectory() {
    std::error_code ignored;
    std::filesystem::permissions(root, std::filesystem::perms::owner_all, ignored);
    std::filesystem::remove_all(root, ignored);
}
