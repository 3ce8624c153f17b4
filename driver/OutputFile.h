#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

struct OutputTarget;

// The output file. A regular file (or a new one) is never written in place: the result goes to a
// temporary file in the same folder and replaces the output only once it is complete, so a run
// that fails or is interrupted leaves the output, and an input of the same name, as they were.
// Devices, pipes and terminals are written directly. Write and close failures (a full disk) are
// remembered so that the run can report them instead of claiming success.
class OutputFile {
public:
    OutputFile() = default;
    // An output that was not closed successfully is discarded: the temporary file goes.
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    bool open(const char* path);
    void write(std::string_view text);
    // Flushes, closes and puts the result in place; false when any write, the close or the
    // replacement failed, and the output is then as it was before the run.
    bool close();
    // The system's reason for the first failure of open, a write or close (an errno value).
    int errorNumber() const { return error; }

private:
    bool openReplacement(const OutputTarget& target);
    void startWriteback();
    void discardTemporary();

    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file{nullptr, &std::fclose};
    // Both empty when the output is written directly.
    std::string targetPath;
    std::string temporaryPath;
    // Written bytes, and where the bytes not yet sent on their way to the disk begin.
    static constexpr std::uint64_t kWritebackBytes = std::uint64_t{8} << 20;
    std::uint64_t writtenBytes = 0;
    std::uint64_t writebackStart = 0;
    bool isFailed = false;
    int error = 0;
};
