#include "tests/driver/RunDedb.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
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

DedbProcess::DedbProcess(const std::vector<std::string>& arguments, const DedbLimits& limits)
    : errorPath((std::filesystem::temp_directory_path() / "dedb-stderr-XXXXXX").string()) {
    const int errorFile = mkstemp(errorPath.data());
    std::vector<std::string> words = {DEDB_BINARY};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    processId = fork();
    if (processId == 0) {
        if (limits.addressSpaceBytes > 0) {
            const rlimit limit{limits.addressSpaceBytes, limits.addressSpaceBytes};
            setrlimit(RLIMIT_AS, &limit);
        }
        if (limits.cpuSeconds > 0) {
            const rlimit limit{limits.cpuSeconds, limits.cpuSeconds};
            setrlimit(RLIMIT_CPU, &limit);
        }
        if (limits.fileSizeBytes > 0) {
            const rlimit limit{limits.fileSizeBytes, limits.fileSizeBytes};
            setrlimit(RLIMIT_FSIZE, &limit);
        }
        const int nothing = open("/dev/null", O_RDONLY);
        dup2(nothing, 0);
        dup2(errorFile, 2);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(errorFile);
}

DedbProcess::~DedbProcess() {
    if (processId > 0) {
        kill(processId, SIGKILL);
        waitpid(processId, nullptr, 0);
    }
    unlink(errorPath.c_str());
}

void DedbProcess::sendSignal(int signalNumber) const { kill(processId, signalNumber); }

DedbRun DedbProcess::wait() {
    int status = 0;
    waitpid(processId, &status, 0);
    processId = -1;
    DedbRun run;
    if (WIFEXITED(status)) run.exitStatus = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) run.endingSignal = WTERMSIG(status);
    run.standardError = readFileBytes(errorPath);
    return run;
}

DedbRun runDedbWithLimits(const std::vector<std::string>& arguments, const DedbLimits& limits) {
    DedbProcess process(arguments, limits);
    return process.wait();
}

std::vector<std::string> folderEntries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
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
