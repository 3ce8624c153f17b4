#pragma once

#include <cstdio>
#include <memory>
#include <string_view>

// The output file, created or emptied in place when opened. Write and close failures (a full
// disk) are remembered so that the run can report them instead of claiming success.
class OutputFile {
public:
    bool open(const char* path);
    void write(std::string_view text);
    // Flushes and closes; false when any write or the close failed.
    bool close();

private:
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file{nullptr, &std::fclose};
    bool isFailed = false;
};
