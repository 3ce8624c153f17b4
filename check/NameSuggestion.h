#pragma once

#include <string>
#include <string_view>
#include <vector>

// The known name most like an unknown one, for "did you mean" notes: the same name in another
// case first, else the nearest by edits of single bytes, if it is near enough to be a slip
// (a third of the name's length, at least one edit). Empty when none is.
std::string nearestName(std::string_view unknown, const std::vector<std::string>& known);
