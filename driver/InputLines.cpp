#include "driver/InputLines.h"

#include <cerrno>
#include <cstring>

namespace {

constexpr std::size_t kChunkSize = 1 << 20;

std::string_view withoutCarriageReturn(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

}  // namespace

bool InputLines::open(const char* path) {
    errno = 0;
    file.reset(std::fopen(path, "rb"));
    if (!file) {
        error = errno != 0 ? errno : ENOENT;
        return false;
    }
    buffer.resize(kChunkSize);
    // A directory opens but cannot be read: find that out before the output is looked at.
    fill();
    return !isReadFailed;
}

void InputLines::openText(std::string_view text) {
    file.reset();
    buffer.assign(text);
    start = 0;
    end = buffer.size();
    isAtEnd = true;
    isReadFailed = false;
}

// Moves the unread bytes to the front and reads more behind them; the buffer doubles only for
// a line longer than it. False when nothing more could be read.
bool InputLines::fill() {
    if (isAtEnd) return false;
    if (start > 0) {
        std::memmove(buffer.data(), buffer.data() + start, end - start);
        end -= start;
        start = 0;
    }
    if (end == buffer.size()) buffer.resize(buffer.size() * 2);
    const std::size_t count = std::fread(buffer.data() + end, 1, buffer.size() - end, file.get());
    end += count;
    readCount += count;
    if (count == 0) {
        isAtEnd = true;
        isReadFailed = std::ferror(file.get()) != 0;
        if (isReadFailed) error = errno != 0 ? errno : EIO;
    }
    return count > 0;
}

std::optional<std::string_view> InputLines::next() {
    std::size_t searched = start;
    for (;;) {
        const void* found = std::memchr(buffer.data() + searched, '\n', end - searched);
        if (found != nullptr) {
            const std::size_t lineEnd = static_cast<const char*>(found) - buffer.data();
            const std::string_view line(buffer.data() + start, lineEnd - start);
            start = lineEnd + 1;
            return withoutCarriageReturn(line);
        }
        searched = end - start;  // after fill the unread bytes start at 0
        if (!fill()) break;
    }
    if (isReadFailed || start == end) return std::nullopt;
    const std::string_view line(buffer.data() + start, end - start);
    start = end;
    return withoutCarriageReturn(line);
}
