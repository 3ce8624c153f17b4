#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

// The lines of an input file, read in large chunks so that the whole text is never held at
// once. A last line without a line end still counts, and one carriage return before a line end
// is dropped, so CRLF files read the same. A text held in memory reads by the same rules.
class InputLines {
public:
    // False when the file cannot be opened or its first bytes cannot be read (a directory).
    bool open(const char* path);
    // Reads the lines of a text instead; the text is copied.
    void openText(std::string_view text);
    // The next line, valid until the next call; nothing at the end of the file or after a
    // read error.
    std::optional<std::string_view> next();
    bool isFailed() const { return isReadFailed; }
    // The system's reason when opening or reading failed (an errno value), else 0.
    int errorNumber() const { return error; }
    // The bytes read from the file so far, lines not yet handed out included.
    std::uint64_t bytesRead() const { return readCount; }
    // Closes the file and gives back the buffer once every line has been taken.
    void close() {
        file.reset();
        std::string().swap(buffer);
        start = end = 0;
    }

private:
    bool fill();

    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file{nullptr, &std::fclose};
    std::string buffer;
    std::size_t start = 0;  // the first byte of buffer not yet handed out
    std::size_t end = 0;    // one past the last byte read into buffer
    bool isAtEnd = false;
    bool isReadFailed = false;
    int error = 0;
    std::uint64_t readCount = 0;
};
