#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "data/RelationIndex.h"
#include "data/ValuePool.h"

// The rows of one relation that have one length, stored back to back in insertion order, with
// no two equal rows. Rows are only appended; positions never change. Rows appended since the
// last markDeltaStart form the delta that the next round of evaluation starts from.
class RelationPart {
public:
    explicit RelationPart(std::size_t arity);
    RelationPart(const RelationPart&) = delete;
    RelationPart& operator=(const RelationPart&) = delete;
    RelationPart(RelationPart&&) = default;
    RelationPart& operator=(RelationPart&&) = default;

    std::size_t getArity() const { return arity; }
    std::size_t size() const { return rowCount; }
    const ValueId* row(std::size_t position) const { return cells.data() + position * arity; }

    // Appends the row unless an equal one is stored. Returns the position of the row stored
    // (new or old) and whether it was appended.
    std::pair<std::size_t, bool> insert(const ValueId* values);
    bool contains(const ValueId* values) const;

    std::size_t getDeltaStart() const { return deltaStart; }
    void markDeltaStart() { deltaStart = rowCount; }

    // The index over these columns, built on first use and brought up to date with the rows.
    const RelationIndex& index(const std::vector<std::uint32_t>& keyColumns) const;

private:
    static constexpr std::size_t kNotFound = static_cast<std::size_t>(-1);
    std::size_t findSlot(const ValueId* values, std::uint32_t tag) const;
    bool rowEquals(std::size_t position, const ValueId* values) const;
    void grow();

    std::size_t arity;
    std::size_t rowCount = 0;
    std::size_t deltaStart = 0;
    std::vector<ValueId> cells;
    // Each slot holds a row's 32-bit hash above its position + 1; 0 marks a free slot. The hash
    // places the slot and screens out most unequal rows without reading their cells.
    std::vector<std::uint64_t> slots;
    mutable std::vector<std::unique_ptr<RelationIndex>> indexes;
};
