#include "driver/OutputFile.h"

bool OutputFile::open(const char* path) {
    file.reset(std::fopen(path, "wb"));
    return file != nullptr;
}

void OutputFile::write(std::string_view text) {
    if (isFailed || text.empty()) return;
    if (std::fwrite(text.data(), 1, text.size(), file.get()) != text.size()) isFailed = true;
}

bool OutputFile::close() {
    std::FILE* raw = file.release();
    if (raw == nullptr) return false;
    const bool isFlushed = std::fflush(raw) == 0;
    const bool isClosed = std::fclose(raw) == 0;
    return !isFailed && isFlushed && isClosed;
}
