#include "tests/reference/model/DataString.h"

#include <functional>
#include <utility>

#include "data/ValueText.h"

DataString::DataString(std::string initial, const DataColumn* link)
    : value(std::move(initial)), column(link) {}

// Nothing inside the value is escaped: a quote in the value prints as it is.
std::string DataString::toString() const {
    std::string text;
    appendStringText(text, value);
    return text;
}

std::string DataString::getType() const { return kStringType; }

// std::string compares through char_traits<char>, which orders bytes as unsigned values.
bool DataString::equals(const Data& other) const {
    const auto* that = dynamic_cast<const DataString*>(&other);
    return that != nullptr && value == that->value;
}

bool DataString::lessThan(const Data& other) const {
    const auto* that = dynamic_cast<const DataString*>(&other);
    return that != nullptr && value < that->value;
}

bool DataString::greaterThan(const Data& other) const {
    const auto* that = dynamic_cast<const DataString*>(&other);
    return that != nullptr && value > that->value;
}

std::size_t DataString::hash() const { return std::hash<std::string>{}(value)*31u + 2u; }
