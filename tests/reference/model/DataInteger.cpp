#include "tests/reference/model/DataInteger.h"

#include <functional>

#include "data/ValueText.h"

std::string DataInteger::toString() const {
    std::string text;
    appendIntegerText(text, value);
    return text;
}

DataInteger::DataInteger(std::int64_t initial, const DataColumn* link)
    : value(initial), column(link) {}

std::string DataInteger::getType() const { return kIntegerType; }

bool DataInteger::equals(const Data& other) const {
    const auto* that = dynamic_cast<const DataInteger*>(&other);
    return that != nullptr && value == that->value;
}

bool DataInteger::lessThan(const Data& other) const {
    const auto* that = dynamic_cast<const DataInteger*>(&other);
    return that != nullptr && value < that->value;
}

bool DataInteger::greaterThan(const Data& other) const {
    const auto* that = dynamic_cast<const DataInteger*>(&other);
    return that != nullptr && value > that->value;
}

std::size_t DataInteger::hash() const { return std::hash<std::int64_t>{}(value)*31u + 1u; }
