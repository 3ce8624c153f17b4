#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "data/GrowingArray.h"
#include "data/ValuePool.h"

// Which rows of two values a relation part holds, as one bit per pair of values within the ranges
// of its two columns. A dense relation, such as the closure of a graph where most nodes reach
// most others, holds a good share of all pairs: the bits then take far less room than a hash
// set of its rows, and a lookup reads one bit of a block that the caches keep, where a hash set
// of a hundred million rows costs a miss to main memory for the slot and another for the row.
// Pairs with the same first value are neighbours, so the rows a join finds for one value fall
// in one stretch of the block.
class PairBitmap {
public:
    PairBitmap() = default;
    // Room for pairs with the first value from firstFrom to firstTo and the second from
    // secondFrom to secondTo, none held yet.
    PairBitmap(ValueId firstFrom, ValueId firstTo, ValueId secondFrom, ValueId secondTo)
        : firstLow(firstFrom),
          secondLow(secondFrom),
          firstWidth(std::uint64_t{firstTo} - firstFrom + 1),
          secondWidth(std::uint64_t{secondTo} - secondFrom + 1) {
        words.assignZeroed(static_cast<std::size_t>((firstWidth * secondWidth + 63) / 64));
    }

    // The bytes a bitmap over these ranges takes, or kTooLarge beyond what 64 bits count.
    static constexpr std::uint64_t kTooLarge = ~std::uint64_t{0};
    static std::uint64_t bytesFor(ValueId firstLow, ValueId firstHigh, ValueId secondLow,
                                  ValueId secondHigh) {
        const std::uint64_t first = std::uint64_t{firstHigh} - firstLow + 1;
        const std::uint64_t second = std::uint64_t{secondHigh} - secondLow + 1;
        if (first > (kTooLarge - 63) / second) return kTooLarge;
        return (first * second + 63) / 64 * 8;
    }

    bool isEmpty() const { return words.empty(); }
    // Whether the row lies within the ranges, so that it has a bit.
    bool covers(const ValueId* row) const {
        // Values below the low ends wrap around to widths beyond the ranges. GCC sees a second
        // value read where a part of one-value rows passes its row, although such a part never
        // has pairs.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"
        return std::uint64_t{row[0] - firstLow} < firstWidth &&
               std::uint64_t{row[1] - secondLow} < secondWidth;
#pragma GCC diagnostic pop
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
    std::uint64_t bitOf(const ValueId* row) const {
        return std::uint64_t{row[0] - firstLow} * secondWidth + (row[1] - secondLow);
    }

    ValueId firstLow = 0;
    ValueId secondLow = 0;
    std::uint64_t firstWidth = 0;
    std::uint64_t secondWidth = 0;
    GrowingArray<std::uint64_t> words;
};
