#pragma once

#include <sys/types.h>

#include <string>

// What the output argument names, found before any work is done so that an output that can
// never be written is reported up front.
struct OutputTarget {
    enum class Kind {
        // Cannot be written: a directory, a missing folder, a read-only file, an empty name.
        Unusable,
        // A regular file, existing or not: the result replaces it once it is complete.
        Replaced,
        // A device, a pipe, a terminal or an open descriptor such as /dev/stdout: written directly.
        Direct,
    };
    Kind kind = Kind::Unusable;
    // For Replaced: the file to replace, with symbolic links followed to their target.
    std::string path;
    bool isExisting = false;
    // For an existing file: what the replacement keeps.
    mode_t permissions = 0;
    uid_t owner = 0;
    gid_t group = 0;
};

OutputTarget findOutputTarget(const std::string& path);

// The folder that holds the file at path: "." for a bare name.
std::string folderOf(const std::string& path);
