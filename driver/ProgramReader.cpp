#include "driver/ProgramReader.h"

void RuleListBuilder::addLine(std::string_view line) {
    const std::string headName(Rule::headName(line));
    const auto known = ruleByHeadName.find(headName);
    if (known != ruleByHeadName.end()) {
        // A later line adds its body only; its head variables are not used.
        rules[known->second].second.addBody(Rule::bodyText(line));
    } else {
        ruleByHeadName.emplace(headName, rules.size());
        rules.emplace_back(headName, Rule(line));
    }
}

namespace {

struct ProgramCollector {
    Program& program;
    RuleListBuilder rules;

    void echo(std::string_view text) { program.echo.append(text); }
    void echoLine(std::string_view line) {
        program.echo.append(line);
        program.echo.push_back('\n');
    }
    void ruleLine(std::string_view line) { rules.addLine(line); }
    void header(std::string_view line) { program.blocks.push_back(RelationBlock{line, {}}); }
    void row(std::string_view line) { program.blocks.back().rows.push_back(line); }
};

}  // namespace

Program readProgram(const std::vector<std::string_view>& lines) {
    Program program;
    ProgramCollector collector{program, {}};
    std::size_t next = 0;
    readSections(
        [&]() -> std::optional<std::string_view> {
            if (next == lines.size()) return std::nullopt;
            return lines[next++];
        },
        collector);
    program.rules = collector.rules.take();
    return program;
}
