#include "driver/RuleListBuilder.h"

void RuleListBuilder::addLine(std::string_view line, std::size_t inputLine) {
    const std::string headName(Rule::headName(line));
    const auto known = ruleByHeadName.find(headName);
    if (known != ruleByHeadName.end()) {
        // A later line adds its body only; its head variables are not used.
        rules[known->second].second.addBodyOf(line, inputLine);
    } else {
        ruleByHeadName.emplace(headName, rules.size());
        rules.emplace_back(headName, Rule(line, inputLine));
    }
}
