#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "data/GrowingArray.h"
#include "data/ValuePool.h"

// Which rows of one or two values a relation part holds, as one bit per possible row within the
// ranges of its columns. A dense relation, such as the closure of a graph where most nodes reach
// most others or the nodes reached from a start, holds a good share of all possible rows: the
// bits then take far less room than a hash set of its rows, and a lookup reads one bit of a block
// that the caches keep, where a hash set of a hundred million rows costs a miss to main memory
// for the slot and another for the row. Rows of two values with the same first value are
// neighbours, so the rows a join finds for one value fall in one stretch of the block.
class RowBitmap {
public:
    RowBitmap() = default;
    // Room for rows of arity values (1 or 2), column c from low[c] to high[c], none held yet.
    RowBitmap(std::size_t arity, const ValueId* low, const ValueId* high)
        : isPair(arity == 2),
          firstLow(low[0]),
          secondLow(isPair ? low[1] : 0),
          firstWidth(std::uint64_t{high[0]} - low[0] + 1),
          secondWidth(isPair ? std::uint64_t{high[1]} - low[1] + 1 : 1) {
        words.assignZeroed(static_cast<std::size_t>((firstWidth * secondWidth + 63) / 64));
    }

    // The bytes a bitmap over these ranges takes, or kTooLarge beyond what 64 bits count.
    static constexpr std::uint64_t kTooLarge = ~std::uint64_t{0};
    static std::uint64_t bytesFor(std::size_t arity, const ValueId* low, const ValueId* high) {
        const std::uint64_t first = std::uint64_t{high[0]} - low[0] + 1;
        const std::uint64_t second = arity == 2 ? std::uint64_t{high[1]} - low[1] + 1 : 1;
        if (first > (kTooLarge - 63) / second) return kTooLarge;
        return (first * second + 63) / 64 * 8;
    }

    bool isEmpty() const { return words.empty(); }
    // The range of a column: from lowOf to highOf.
    ValueId lowOf(std::size_t column) const { return column == 0 ? firstLow : secondLow; }
    ValueId highOf(std::size_t column) const {
        return static_cast<ValueId>(lowOf(column) + (column == 0 ? firstWidth : secondWidth) - 1);
    }
    // Whether the row lies within the ranges, so that it has a bit.
    bool covers(const ValueId* row) const {
        // Values below the low ends wrap around to widths beyond the ranges.
        return std::uint64_t{row[0] - firstLow} < firstWidth &&
               (!isPair || std::uint64_t{secondOf(row) - secondLow} < secondWidth);
    }
    // For a row it covers.
    bool contains(const ValueId* row) const {
        const std::uint64_t bit = bitOf(row);
        return (words[bit / 64] >> (bit % 64) & 1) != 0;
    }
    void add(const ValueId* row) {
        const std::uint64_t bit = bitOf(row);
        words[bit / 64] |= std::uint64_t{1} << (bit % 64);
    }
    // The same while other threads add rows: rows of one word may come from several.
    void addShared(const ValueId* row) {
        const std::uint64_t bit = bitOf(row);
        std::atomic_ref<std::uint64_t>(words[bit / 64])
            .fetch_or(std::uint64_t{1} << (bit % 64), std::memory_order_relaxed);
    }

private:
    // Read only for rows of two values. GCC sees a second value read where a part of one-value
    // rows passes its row.
    ValueId secondOf(const ValueId* row) const {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"
        return row[1];
#pragma GCC diagnostic pop
    }
    std::uint64_t bitOf(const ValueId* row) const {
        const std::uint64_t first = row[0] - firstLow;
        return isPair ? first * secondWidth + (secondOf(row) - secondLow) : first;
    }

    bool isPair = false;
    ValueId firstLow = 0;
    ValueId secondLow = 0;
    std::uint64_t firstWidth = 0;
    std::uint64_t secondWidth = 0;
    GrowingArray<std::uint64_t> words;
};
