#pragma once

// The plain run's only messages, Hungarian text in code page 1250 bytes.
inline constexpr const char* kBadArgumentsMessage = "Nem megfelel\xF5 param\xE9terez\xE9s!";
inline constexpr const char* kInputOpenMessage = "Nem siker\xFClt az input file-t megnyitni.";
inline constexpr const char* kOutputOpenMessage = "Nem siker\xFClt az output file-t megnyitni.";
inline constexpr const char* kOutputWriteMessage = "Nem siker\xFClt az output file-t \xEDrni.";
inline constexpr const char* kOutOfMemoryMessage = "Nincs el\xE9g mem\xF3ria.";

// Writes the message and a line end to stderr; returns the failure exit status, 1.
int reportFailure(const char* message);
