#pragma once

#include <string>

// One column of a relation: its name exactly as written (blanks included) and a type name that
// is empty for columns read from text. Nothing reads the type back; the printed form omits it.
class DataColumn {
public:
    DataColumn(std::string name, std::string type);

    std::string getName() const { return name; }
    const std::string& nameView() const { return name; }
    std::string getType() const { return type; }

private:
    std::string name;
    std::string type;
};
