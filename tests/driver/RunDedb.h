#pragma once

#include <string>
#include <vector>

// Runs the built dedb binary with the given arguments, as a user would from a shell.
struct DedbRun {
    int exitStatus = -1;  // -1 when a signal ended the run
    int endingSignal = 0;
    std::string standardError;
};

DedbRun runDedb(const std::vector<std::string>& arguments);
// The same with a file-size limit of zero bytes on dedb alone (its standard error goes through a
// pipe, which the limit does not cover).
DedbRun runDedbWithoutFileSpace(const std::vector<std::string>& arguments);

// Limits set on dedb alone before it starts; 0 leaves a limit as it is.
struct DedbLimits {
    unsigned long long addressSpaceBytes = 0;
    unsigned long long cpuSeconds = 0;
    unsigned long long fileSizeBytes = 0;  // also limits the file that takes standard error
};

// A dedb process started directly (no shell), with its standard error in a file.
class DedbProcess {
public:
    DedbProcess(const std::vector<std::string>& arguments, const DedbLimits& limits);
    ~DedbProcess();
    DedbProcess(const DedbProcess&) = delete;
    DedbProcess& operator=(const DedbProcess&) = delete;
    void sendSignal(int signalNumber) const;
    DedbRun wait();

private:
    std::string errorPath;
    int processId = -1;
};

DedbRun runDedbWithLimits(const std::vector<std::string>& arguments, const DedbLimits& limits);

// The names in a folder, sorted, without "." and "..".
std::vector<std::string> folderEntries(const std::string& folder);

std::string readFileBytes(const std::string& path);
// The text's lines, without their line ends.
std::vector<std::string> linesOf(const std::string& text);
void writeFileBytes(const std::string& path, const std::string& bytes);
bool fileExists(const std::string& path);

// A fresh, empty directory for one test, removed when the object goes.
class ScratchDirectory {
public:
    ScratchDirectory();
    ~ScratchDirectory();
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;
    std::string path(const std::string& name) const { return root + "/" + name; }

private:
    std::string root;
};
