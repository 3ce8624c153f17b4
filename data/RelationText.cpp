#include "data/RelationText.h"

void appendRelationHeader(std::string& text, std::string_view name,
                          const std::vector<std::string_view>& columnNames) {
    text += name;
    text += '(';
    for (std::string_view column : columnNames) {
        text += column;
        text += ',';
    }
    if (text.back() == ',') text.pop_back();
    text += ")\n";
}
