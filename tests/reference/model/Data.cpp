#include "tests/reference/model/Data.h"

std::string Data::getType() const { return "xx"; }

bool compareValues(const Data& left, Comparison op, const Data& right) {
    if (left.getType() != right.getType()) return false;
    const std::strong_ordering order = left.lessThan(right) ? std::strong_ordering::less
                                       : left.equals(right) ? std::strong_ordering::equal
                                                            : std::strong_ordering::greater;
    return comparisonHolds(op, order);
}
