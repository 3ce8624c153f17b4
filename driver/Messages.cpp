#include "driver/Messages.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {

bool namesUtf8(std::string_view locale) {
    for (const std::string_view form : {"UTF-8", "utf-8", "UTF8", "utf8"}) {
        if (locale.find(form) != std::string_view::npos) return true;
    }
    return false;
}

}  // namespace

bool isUtf8Terminal() {
    if (isatty(STDERR_FILENO) == 0) return false;
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') return namesUtf8(value);
    }
    return false;
}

// The letters of Hungarian are all the messages hold beyond ASCII.
std::string hungarianInUtf8(const char* message) {
    static constexpr struct {
        unsigned char cp1250;
        const char* utf8;
    } kLetters[] = {
        {0xC1, "\xC3\x81"}, {0xC9, "\xC3\x89"}, {0xCD, "\xC3\x8D"}, {0xD3, "\xC3\x93"},
        {0xD6, "\xC3\x96"}, {0xD5, "\xC5\x90"}, {0xDA, "\xC3\x9A"}, {0xDC, "\xC3\x9C"},
        {0xDB, "\xC5\xB0"}, {0xE1, "\xC3\xA1"}, {0xE9, "\xC3\xA9"}, {0xED, "\xC3\xAD"},
        {0xF3, "\xC3\xB3"}, {0xF6, "\xC3\xB6"}, {0xF5, "\xC5\x91"}, {0xFA, "\xC3\xBA"},
        {0xFC, "\xC3\xBC"}, {0xFB, "\xC5\xB1"},
    };
    std::string text;
    for (const char* c = message; *c != '\0'; ++c) {
        const auto byte = static_cast<unsigned char>(*c);
        const char* letter = nullptr;
        for (const auto& known : kLetters) {
            if (known.cp1250 == byte) letter = known.utf8;
        }
        if (letter != nullptr) {
            text += letter;
        } else {
            text += *c;
        }
    }
    return text;
}

int reportFailure(const char* message, const char* path, int error) {
    if (!isUtf8Terminal()) {
        std::fputs(message, stderr);
        std::fputc('\n', stderr);
        return 1;
    }
    std::string text = hungarianInUtf8(message);
    text += '\n';
    if (path != nullptr && error != 0) {
        text += path;
        text += ": ";
        text += std::strerror(error);
        text += '\n';
    }
    std::fputs(text.c_str(), stderr);
    return 1;
}
