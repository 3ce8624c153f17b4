#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string_view>

#include "driver/DecimalDigits.h"

// Output text gathered into chunks, each handed to write as it fills. Values
// are formatted straight into the chunk; text as long as a chunk goes out as it is.
class OutputChunks {
public:
    explicit OutputChunks(const std::function<void(std::string_view)>& write,
                          std::size_t chunkBytes = kChunkSize);
    OutputChunks(const OutputChunks&) = delete;
    OutputChunks& operator=(const OutputChunks&) = delete;

    void append(char c) {
        if (used == chunkSize) flush();
        buffer[used++] = c;
    }
    void push_back(char c) { append(c); }
    void append(std::string_view text);
    // The text and a line end.
    void appendLine(std::string_view text) {
        if (chunkSize - used > text.size()) {
            if (!text.empty()) std::memcpy(buffer.get() + used, text.data(), text.size());
            used += text.size();
            buffer[used++] = '\n';
            return;
        }
        append(text);
        append('\n');
    }
    void appendInteger(std::int64_t value) {
        if (chunkSize - used < kLongestInteger) flush();
        used += writeDecimal(buffer.get() + used, value);
    }
    // Hands over what is gathered.
    void flush();

    // Large enough that writing costs a system call per chunk at most, small beside the tables.
    static constexpr std::size_t kChunkSize = std::size_t{1} << 18;

private:
    static constexpr std::size_t kLongestInteger = 20;  // "-9223372036854775808"

    const std::function<void(std::string_view)>& write;
    std::size_t chunkSize;
    // Not zeroed: only what is appended is ever read.
    std::unique_ptr<char[]> buffer;
    std::size_t used = 0;
};
