#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Fenced blocks of a Markdown document that an HTML comment marks for the tests, so that what the
// documents show is run and compared:
//
//   <!-- example: name -->
//   ```
//   input lines
//   ```
//   ```
//   output lines
//   ```
struct MarkedBlocks {
    std::string marker;               // the comment's text after the prefix, up to " -->"
    std::size_t line = 0;             // the comment's line, from 1
    std::vector<std::string> blocks;  // each block's lines, each ending in a line feed
    std::string problem;              // why the blocks could not be read; empty when they could
};

// Every comment that starts with "<!-- " and the prefix, with the `count` fenced blocks after
// it (only empty lines may stand between them).
std::vector<MarkedBlocks> findMarkedBlocks(const std::string& markdown, const std::string& prefix,
                                           std::size_t count);
