#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

#include "data/RelationPart.h"
#include "data/RelationTable.h"

// The rows one rule finds new in one iteration, each with the smallest key of the combinations
// that produced it: the body's number, then the row positions of the combination, first
// reference most significant. Sorted by that key they stand where a full evaluation of the
// rule, body by body in enumeration order, would have put them first.
class PendingRows {
public:
    explicit PendingRows(std::size_t maxReferences);
    PendingRows(const PendingRows&) = delete;
    PendingRows& operator=(const PendingRows&) = delete;
    PendingRows(PendingRows&&) = default;
    PendingRows& operator=(PendingRows&&) = default;

    void offer(const ValueId* row, std::size_t arity, std::uint32_t body,
               const std::uint32_t* positions, std::size_t referenceCount);
    bool isEmpty() const;
    // Appends the rows to the table in key order and forgets them.
    void moveInto(RelationTable& table);

private:
    struct Group {
        RelationPart rows;
        std::vector<std::uint32_t> keys;  // keyWidth per row
    };

    Group& groupFor(std::size_t arity);
    void forget();

    std::size_t keyWidth;
    std::deque<Group> groups;
    std::vector<std::uint32_t> key;
    std::vector<std::uint32_t> lastKey;
    bool isInKeyOrder = true;
};
