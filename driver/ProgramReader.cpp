#include "driver/ProgramReader.h"

#include <unordered_map>

Program readProgram(const std::vector<std::string_view>& lines) {
    Program program;
    std::size_t next = 0;

    std::unordered_map<std::string, std::size_t> ruleByHeadName;
    for (; next < lines.size() && !lines[next].empty(); ++next) {
        const std::string_view line = lines[next];
        program.echo.append(line).push_back('\n');
        const std::string headName(Rule::headName(line));
        const auto known = ruleByHeadName.find(headName);
        if (known != ruleByHeadName.end()) {
            // A later line adds its body only; its head variables are not used.
            program.rules[known->second].second.addBody(Rule::bodyText(line));
        } else {
            ruleByHeadName.emplace(headName, program.rules.size());
            program.rules.emplace_back(headName, Rule(line));
        }
    }
    ++next;  // the empty line that ends the rules is not echoed

    // Any line after an empty line is a header, even another empty line.
    while (next < lines.size()) {
        RelationBlock& block = program.blocks.emplace_back();
        block.header = lines[next++];
        program.echo.append("\n").append(block.header).push_back('\n');
        for (; next < lines.size() && !lines[next].empty(); ++next) {
            program.echo.append(lines[next]).push_back('\n');
            block.rows.push_back(lines[next]);
        }
        ++next;
    }
    program.echo.push_back('\n');
    return program;
}
