#pragma once

// The whole program: checks the command line, reads the input, writes the echo, evaluates the
// rules and appends their relations. Returns the exit status.
int runProgram(int argc, const char* const* argv);
