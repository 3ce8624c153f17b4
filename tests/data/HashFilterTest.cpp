#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>

#include "data/HashFilter.h"
#include "data/RowHashing.h"

namespace {

std::uint32_t hashOfNumber(std::uint32_t number) {
    return static_cast<std::uint32_t>(hashValueIds(&number, 1));
}

// A filter may only answer no for a hash it was not given: every hash added is held, at every
// size and after a reset that reuses the filter, and most others are not.
TEST(HashFilter, HoldsEveryAddedHashAndFewOthers) {
    HashFilter filter;
    for (const std::uint32_t keys : {0u, 1u, 31u, 32u, 33u, 5000u, 70000u}) {
        SCOPED_TRACE(keys);
        filter.reset(keys);
        for (std::uint32_t key = 0; key < keys; ++key) filter.add(hashOfNumber(key));
        for (std::uint32_t key = 0; key < keys; ++key) {
            ASSERT_TRUE(filter.mayHold(hashOfNumber(key))) << key;
        }
        std::size_t falseHits = 0;
        constexpr std::uint32_t kOthers = 100000;
        for (std::uint32_t key = keys; key < keys + kOthers; ++key) {
            falseHits += filter.mayHold(hashOfNumber(key)) ? 1 : 0;
        }
        EXPECT_LT(falseHits, kOthers / 10);
    }
}

}  // namespace
