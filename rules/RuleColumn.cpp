#include "rules/RuleColumn.h"

#include <utility>

RuleColumn::RuleColumn(std::string newName, const Data* constant)
    : name(std::move(newName)), value(constant) {}
