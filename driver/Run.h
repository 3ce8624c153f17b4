#pragma once

#include <string>
#include <string_view>

// The plain run: reads the input, writes the echo, evaluates the rules and appends their
// relations to the output. Reports a failure as one line on stderr; returns the exit status.
int runProgram(const char* inputPath, const char* outputPath);

// The same run on an input text held in memory, giving the output text: the same reading,
// evaluation and writing, for tests and fuzzers.
std::string runOnText(std::string_view input);
