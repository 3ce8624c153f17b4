#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "check/Diagnostics.h"

// The checks of the relation blocks, line by line as they stream past: headers that are rule
// lines cut off from the rules, and row fields that are not read as they were written.
class RowChecker {
public:
    explicit RowChecker(Diagnostics& diagnostics);

    void header(std::string_view line, std::size_t number);
    void row(std::string_view line, std::size_t number);

private:
    void checkField(std::string_view field, InputPlace place);

    Diagnostics& diagnostics;
    std::string name;
    std::size_t columns = 0;
    bool isRuleBlock = false;  // the block's header is a rule line: its lines are rules too
};
