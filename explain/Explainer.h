#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// dedb --explain ROW INPUT: how the row was first derived, as a tree down to stored rows, or,
// for a row that is not derived, which element of each of its rule's lines fails.
struct ExplainRequest {
    std::string row;  // as written: a name, then the values in parentheses
    std::string inputPath;
    bool isJson = false;    // the tree as JSON, for tools
    std::size_t depth = 0;  // levels to print; 0 for all
    std::size_t threads = 1;
};

// Prints on stdout; returns the exit status: 0 for a row that is there, 1 for one that is not,
// 2 when the row names nothing or the input cannot be read.
int runExplain(const ExplainRequest& request);

// The same on an input text held in memory, for tests: the exit status and what went to stdout.
struct ExplainResult {
    int status = 0;
    std::string output;
};
ExplainResult explainOnText(std::string_view input, const ExplainRequest& request);
