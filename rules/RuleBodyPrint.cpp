#include "rules/RuleBody.h"

std::string RuleBody::toString() const {
    std::string text;
    bool first = true;
    auto append = [&](const std::string& element) {
        if (!first) text += ',';
        text += element;
        first = false;
    };
    for (const auto& element : relationElements) append(element.toString());
    for (const auto& element : attributeFilters) append(element.toString());
    for (const auto& element : dataFilters) append(element.toString());
    return text;
}
