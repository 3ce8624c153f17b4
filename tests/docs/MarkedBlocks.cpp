#include "tests/docs/MarkedBlocks.h"

#include <sstream>

namespace {

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

bool isFence(const std::string& line) { return line.rfind("```", 0) == 0; }

// Reads one fenced block starting at or after `at` (past empty lines); moves `at` past it.
bool readBlock(const std::vector<std::string>& lines, std::size_t& at, std::string& block) {
    while (at < lines.size() && lines[at].empty()) ++at;
    if (at == lines.size() || !isFence(lines[at])) return false;
    for (++at; at < lines.size() && lines[at] != "```"; ++at) block += lines[at] + "\n";
    if (at == lines.size()) return false;
    ++at;
    return true;
}

}  // namespace

std::vector<MarkedBlocks> findMarkedBlocks(const std::string& markdown, const std::string& prefix,
                                           std::size_t count) {
    const std::vector<std::string> lines = splitLines(markdown);
    const std::string opening = "<!-- " + prefix;
    const std::string closing = " -->";
    std::vector<MarkedBlocks> found;
    for (std::size_t at = 0; at < lines.size(); ++at) {
        const std::string& line = lines[at];
        if (line.rfind(opening, 0) != 0) continue;
        MarkedBlocks& marked = found.emplace_back();
        marked.line = at + 1;
        if (line.size() < opening.size() + closing.size() ||
            line.compare(line.size() - closing.size(), closing.size(), closing) != 0) {
            marked.problem = "the comment does not end with \" -->\" on its line";
            continue;
        }
        marked.marker = line.substr(opening.size(), line.size() - opening.size() - closing.size());
        std::size_t next = at + 1;
        for (std::size_t i = 0; i < count; ++i) {
            std::string block;
            if (!readBlock(lines, next, block)) {
                marked.problem = "expected " + std::to_string(count) +
                                 " fenced blocks after the comment, found " + std::to_string(i);
                break;
            }
            marked.blocks.push_back(block);
        }
    }
    return found;
}
