#pragma once

#include <cstddef>
#include <string>

#include "data/Comparison.h"

// One cell of a row: an integer or a string. Values are immutable once built (apart from the
// column link of the concrete classes) and live until the program ends, so any number of rows
// may share one value object. Values of different classes are never equal, less or greater.
class Data {
public:
    virtual std::string toString() const = 0;
    virtual std::string getType() const;
    virtual bool equals(const Data& other) const = 0;
    virtual bool lessThan(const Data& other) const = 0;
    virtual bool greaterThan(const Data& other) const = 0;
    // Equal values hash alike; the class takes part, so 5 and '5' usually differ.
    virtual std::size_t hash() const = 0;

protected:
    Data() = default;
    Data(const Data&) = default;
    Data& operator=(const Data&) = default;
    // Values are owned by the run store, which destroys each concrete type itself.
    ~Data() = default;
};

// left op right; false between values of different classes, whatever the operator.
bool compareValues(const Data& left, Comparison op, const Data& right);

inline constexpr const char* kIntegerType = "DataInteger";
inline constexpr const char* kStringType = "DataString";
