#include "driver/OutputChunks.h"

#include <algorithm>
#include <cstring>

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

void OutputChunks::flush() {
    if (used == 0) return;
    write(std::string_view(buffer.get(), used));
    used = 0;
}
