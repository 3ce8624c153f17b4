#pragma once

#include "check/Diagnostics.h"
#include "driver/InputLines.h"

// dedb --check INPUT: reads the input exactly as a run does and evaluates nothing; writes one
// diagnostic per finding on standard output, "INPUT:LINE:COLUMN: warning: TEXT", each followed
// by its notes. Returns the exit status: 0 when nothing was found, 1 when something was, 2 when
// the input cannot be read (one line on standard error names the file and the reason).
int runCheck(const char* inputPath);

// Checks the lines of an opened input; false when they could not be read to their end.
bool checkInput(InputLines& input, Diagnostics& diagnostics);
