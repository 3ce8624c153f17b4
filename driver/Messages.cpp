#include "driver/Messages.h"

#include <cstdio>

int reportFailure(const char* message) {
    std::fputs(message, stderr);
    std::fputc('\n', stderr);
    return 1;
}
