#pragma once

#include <functional>
#include <string_view>

#include "driver/ProgramReader.h"

// The whole program: checks the command line, reads the input, writes the echo, evaluates the
// rules and appends their relations. Returns the exit status.
int runProgram(int argc, const char* const* argv);

// Evaluates a program read from the input and hands the text of the derived relations, in rule
// order, to write in chunks.
void evaluateProgram(const Program& program, const std::function<void(std::string_view)>& write);
