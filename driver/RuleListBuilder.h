#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "rules/Rule.h"

// The rules of a program, one per distinct head name in order of first appearance (the order
// of evaluation and of output), built from rule lines as they are read.
class RuleListBuilder {
public:
    void addLine(std::string_view line, std::size_t inputLine);
    std::vector<std::pair<std::string, Rule>> take() { return std::move(rules); }

private:
    std::vector<std::pair<std::string, Rule>> rules;
    std::unordered_map<std::string, std::size_t> ruleByHeadName;
};
