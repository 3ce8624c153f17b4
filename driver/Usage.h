#pragma once

#include <cstdio>

// The text of dedb --help: each mode and option, and an example.
void printHelp(std::FILE* out);
// The text of dedb --version: "dedb" and the version.
void printVersion(std::FILE* out);
