#pragma once

#include <string>
#include <vector>

// Runs the built dedb binary with the given arguments, as a user would from a shell.
struct DedbRun {
    int exitStatus = -1;
    std::string standardError;
};

DedbRun runDedb(const std::vector<std::string>& arguments);
// The same with a file-size limit of zero bytes on dedb alone (its standard error goes through a
// pipe, which the limit does not cover).
DedbRun runDedbWithoutFileSpace(const std::vector<std::string>& arguments);

std::string readFileBytes(const std::string& path);
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
