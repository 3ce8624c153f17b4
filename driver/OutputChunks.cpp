#include "driver/OutputChunks.h"

#include <charconv>
#include <cstring>

namespace {
constexpr std::size_t kLongestInteger = 20;  // "-9223372036854775808"
}

OutputChunks::OutputChunks(const std::function<void(std::string_view)>& writeChunk)
    : write(writeChunk), buffer(kChunkSize) {}

void OutputChunks::append(std::string_view text) {
    if (buffer.size() - used < text.size()) {
        flush();
        if (text.size() >= buffer.size()) {
            write(text);
            return;
        }
    }
    if (!text.empty()) std::memcpy(buffer.data() + used, text.data(), text.size());
    used += text.size();
}

void OutputChunks::appendInteger(std::int64_t value) {
    if (buffer.size() - used < kLongestInteger) flush();
    char* start = buffer.data() + used;
    used = static_cast<std::size_t>(std::to_chars(start, start + kLongestInteger, value).ptr -
                                    buffer.data());
}

void OutputChunks::flush() {
    if (used == 0) return;
    write(std::string_view(buffer.data(), used));
    used = 0;
}
