#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The whole file, or nothing when it cannot be opened or read (a directory, say).
std::optional<std::string> readWholeFile(const char* path);

// The lines of the text without their line ends. A last line without a line end still counts,
// and one carriage return before a line end is dropped, so CRLF files read the same.
std::vector<std::string_view> splitLines(std::string_view text);
