#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "engine/Parallelism.h"

// The plain run: reads the input, writes the echo, evaluates the rules and appends their
// relations to the output. Reports a failure as one line on stderr; returns the exit status.
// Evaluation runs on threadCount threads; the output is the same for any number. A profiled
// run ends by writing on stderr what each rule line cost. On a terminal, a run that lasts more
// than a second shows how far it has got in a line on stderr, erased when it ends.
int runProgram(const char* inputPath, const char* outputPath, std::size_t threadCount = 1,
               bool isProfiled = false);

// The same run on an input text held in memory, giving the output text: the same reading,
// evaluation and writing, for tests and fuzzers.
std::string runOnText(std::string_view input, Parallelism parallelism = {});
