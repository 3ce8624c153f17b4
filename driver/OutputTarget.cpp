#include "driver/OutputTarget.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>
#include <string_view>
#include <vector>

namespace {

constexpr int kMaxLinkHops = 40;

std::string_view lastNameOf(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// Names under /proc (where /dev/stdout and /dev/fd/N lead) stand for descriptors that are
// already open; replacing what they point at would bypass the caller's redirection.
bool isInProcessFiles(const std::string& path) {
    const std::unique_ptr<char, void (*)(void*)> folder(realpath(folderOf(path).c_str(), nullptr),
                                                        &std::free);
    if (!folder) return false;
    const std::string_view resolved(folder.get());
    return resolved == "/proc" || resolved.starts_with("/proc/");
}

std::string linkTarget(const std::string& link) {
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t length = readlink(link.c_str(), buffer.data(), buffer.size());
        if (length < 0) return {};
        if (static_cast<std::size_t>(length) < buffer.size()) {
            return std::string(buffer.data(), static_cast<std::size_t>(length));
        }
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

OutputTarget findOutputTarget(const std::string& path) {
    OutputTarget target;
    std::string current = path;
    for (int hop = 0; hop < kMaxLinkHops && !current.empty(); ++hop) {
        if (isInProcessFiles(current)) {
            target.kind = OutputTarget::Kind::Direct;
            return target;
        }
        struct stat status {};
        if (lstat(current.c_str(), &status) != 0) {
            const std::string_view name = lastNameOf(current);
            if (errno != ENOENT || name.empty() || name == "." || name == "..") return target;
            // A new file: its folder is checked when the temporary file is made there.
            target.kind = OutputTarget::Kind::Replaced;
            target.path = current;
            return target;
        }
        if (S_ISLNK(status.st_mode)) {
            const std::string next = linkTarget(current);
            if (next.empty()) return target;
            current = next.front() == '/' ? next : folderOf(current) + "/" + next;
            continue;
        }
        if (S_ISDIR(status.st_mode)) return target;
        if (!S_ISREG(status.st_mode)) {
            target.kind = OutputTarget::Kind::Direct;
            return target;
        }
        // A file the user made read-only is not replaced behind their back.
        if (access(current.c_str(), W_OK) != 0) return target;
        target.kind = OutputTarget::Kind::Replaced;
        target.path = current;
        target.isExisting = true;
        target.permissions = status.st_mode & 07777;
        target.owner = status.st_uid;
        target.group = status.st_gid;
        return target;
    }
    return target;
}
