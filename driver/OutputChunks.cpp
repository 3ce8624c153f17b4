#include "driver/OutputChunks.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace {
constexpr std::size_t kLongestInteger = 20;  // "-9223372036854775808"
}

OutputChunks::OutputChunks(const std::function<void(std::string_view)>& writeChunk,
                           std::size_t chunkBytes)
    : write(writeChunk),
      chunkSize(std::max(chunkBytes, kLongestInteger)),
      buffer(std::make_unique_for_overwrite<char[]>(chunkSize)) {}

void OutputChunks::append(std::string_view text) {
    if (chunkSize - used < text.size()) {
        flush();
        if (text.size() >= chunkSize) {
            write(text);
            return;
        }
    }
    if (!text.empty()) std::memcpy(buffer.get() + used, text.data(), text.size());
    used += text.size();
}

void OutputChunks::appendInteger(std::int64_t value) {
    if (chunkSize - used < kLongestInteger) flush();
    char* start = buffer.get() + used;
    used = static_cast<std::size_t>(std::to_chars(start, start + kLongestInteger, value).ptr -
                                    buffer.get());
}

void OutputChunks::flush() {
    if (used == 0) return;
    write(std::string_view(buffer.get(), used));
    used = 0;
}
