#pragma once

#include <string>

// The plain run's only messages, Hungarian text in code page 1250 bytes.
inline constexpr const char* kBadArgumentsMessage = "Nem megfelel\xF5 param\xE9terez\xE9s!";
inline constexpr const char* kInputOpenMessage = "Nem siker\xFClt az input file-t megnyitni.";
inline constexpr const char* kOutputOpenMessage = "Nem siker\xFClt az output file-t megnyitni.";
inline constexpr const char* kOutputWriteMessage = "Nem siker\xFClt az output file-t \xEDrni.";
inline constexpr const char* kOutOfMemoryMessage = "Nincs el\xE9g mem\xF3ria.";

// Writes the message and a line end to stderr; returns the failure exit status, 1. On a
// terminal whose locale is UTF-8 a person reads it: the message goes out in UTF-8, and a second
// line names the file and the system's reason, when there are both.
int reportFailure(const char* message, const char* path = nullptr, int error = 0);

// Whether stderr is a terminal whose locale (LC_ALL, else LC_MESSAGES, else LANG) is UTF-8.
bool isUtf8Terminal();

// The Hungarian text of the messages in UTF-8.
std::string hungarianInUtf8(const char* message);
