#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "data/ValuePool.h"

// A row as a user writes it on the command line: a relation's name, then its values in
// parentheses, read as a row line reads them (path(1,4), ancestor('Anna','Feri')).
struct RowArgument {
    std::string name;
    std::vector<ValueId> values;

    // Nothing when the text is not a name followed by values in parentheses.
    static std::optional<RowArgument> parse(std::string_view text, ValuePool& pool);
};
