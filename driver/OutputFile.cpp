#include "driver/OutputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "driver/OutputTarget.h"
#include "driver/SignalCleanup.h"

namespace {

// A hidden name of fixed length, so that it fits wherever the output's own name fits. Created
// exclusively, with the mode a new output would get (the umask applies).
int createTemporaryFile(const std::string& folder, std::string& path) {
    for (unsigned attempt = 0; attempt < 1000; ++attempt) {
        path = folder + "/.dedb-" + std::to_string(getpid()) + "-" + std::to_string(attempt);
        const int descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor >= 0 || errno != EEXIST) return descriptor;
    }
    return -1;
}

// Makes the rename itself durable. The output is complete and in place by now, so a folder
// that cannot be synced changes nothing about the run's result.
void syncFolderOf(const std::string& path) {
    const int folder = ::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) return;
    fsync(folder);
    ::close(folder);
}

}  // namespace

OutputFile::~OutputFile() {
    file.reset();
    discardTemporary();
}

bool OutputFile::open(const char* path) {
    errno = 0;
    bool isOpen = false;
    const OutputTarget target = findOutputTarget(path);
    switch (target.kind) {
        case OutputTarget::Kind::Unusable:
            break;
        case OutputTarget::Kind::Direct:
            file.reset(std::fopen(path, "wb"));
            isOpen = file != nullptr;
            break;
        case OutputTarget::Kind::Replaced:
            isOpen = openReplacement(target);
            break;
    }
    // A directory or an empty name is told apart without a failing call.
    if (!isOpen) error = errno != 0 ? errno : *path == '\0' ? ENOENT : EISDIR;
    return isOpen;
}

bool OutputFile::openReplacement(const OutputTarget& target) {
    int descriptor = -1;
    {
        const SignalsHeldBack held;
        descriptor = createTemporaryFile(folderOf(target.path), temporaryPath);
        if (descriptor < 0) {
            temporaryPath.clear();
            return false;
        }
        removeOnSignal(temporaryPath.c_str());
    }
    targetPath = target.path;
    if (target.isExisting) {
        // The replacement keeps the old file's permission bits and, where allowed, its owner.
        fchmod(descriptor, target.permissions);
        if (fchown(descriptor, target.owner, target.group) != 0) {
            // Only a privileged process may give a file away; the file stays the caller's.
        }
    }
    file.reset(fdopen(descriptor, "wb"));
    if (!file) {
        ::close(descriptor);
        discardTemporary();
        return false;
    }
    return true;
}

void OutputFile::write(std::string_view text) {
    if (isFailed || text.empty()) return;
    if (std::fwrite(text.data(), 1, text.size(), file.get()) != text.size()) {
        isFailed = true;
        error = errno;
        return;
    }
    writtenBytes += text.size();
    if (!temporaryPath.empty() && writtenBytes - writebackStart >= kWritebackBytes) {
        startWriteback();
    }
}

// The bytes written so far start on their way to the disk while the rest is formatted, so that
// the sync before the rename waits only for the last of them: for a large output it would
// otherwise wait for all of it, after the work is done. Only a hint; where the system has no
// such call, the sync does all the waiting.
void OutputFile::startWriteback() {
#ifdef SYNC_FILE_RANGE_WRITE
    sync_file_range(fileno(file.get()), static_cast<off_t>(writebackStart), 0,
                    SYNC_FILE_RANGE_WRITE);
#endif
    writebackStart = writtenBytes;
}

bool OutputFile::close() {
    std::FILE* raw = file.release();
    if (raw == nullptr) return false;
    bool isFlushed = std::fflush(raw) == 0;
    if (!isFlushed && error == 0) error = errno;
    // The new file's bytes reach the disk before its name replaces the old one's, so a power
    // loss right after a run leaves the old output or the whole new one, never an empty file.
    // A file system that cannot sync (EINVAL) has nothing to wait for.
    if (isFlushed && !isFailed && !temporaryPath.empty() && fsync(fileno(raw)) != 0 &&
        errno != EINVAL) {
        isFlushed = false;
        if (error == 0) error = errno;
    }
    const bool isClosed = std::fclose(raw) == 0;
    if (!isClosed && error == 0) error = errno;
    const bool isWritten = !isFailed && isFlushed && isClosed;
    if (temporaryPath.empty()) return isWritten;
    if (isWritten) {
        const SignalsHeldBack held;
        if (std::rename(temporaryPath.c_str(), targetPath.c_str()) == 0) {
            removeOnSignal(nullptr);
            temporaryPath.clear();
            syncFolderOf(targetPath);
            return true;
        }
        error = errno;
    }
    discardTemporary();
    return false;
}

void OutputFile::discardTemporary() {
    if (temporaryPath.empty()) return;
    const SignalsHeldBack held;
    unlink(temporaryPath.c_str());
    removeOnSignal(nullptr);
    temporaryPath.clear();
}
