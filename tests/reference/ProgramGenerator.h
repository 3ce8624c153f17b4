#pragma once

#include <cstdint>
#include <string>

// Small random programs in the input language for comparing the engine with the reference:
// stored relations with integers and strings mixed (and now and then rows of another length),
// rules with several bodies, linear, non-linear and mutual recursion, self-joins, constants,
// every comparison operator and assignments. Kept small so plain enumeration stays quick.
std::string generateProgram(std::uint64_t seed);
