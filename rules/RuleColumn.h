#pragma once

#include <string>

class Data;

// One argument of a relation reference: a variable (a non-empty name, no value) or a constant
// (an empty name and a value owned by the run store).
class RuleColumn {
public:
    RuleColumn(std::string name, const Data* value);

    std::string getName() const { return name; }
    const std::string& nameView() const { return name; }
    const Data* getValue() const { return value; }
    bool isConstant() const { return name.empty(); }

private:
    std::string name;
    const Data* value;
};
