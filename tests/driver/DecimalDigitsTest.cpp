#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "driver/DecimalDigits.h"

namespace {

// The digits std::to_string gives, written within the 20 bytes a value may take, for the values
// around every change in the number of digits or groups and at both ends.
TEST(DecimalDigits, AreThoseOfToStringWithinTwentyBytes) {
    std::vector<std::int64_t> values;
    for (std::int64_t n = 0; n <= 20000; ++n) values.push_back(n);
    constexpr std::int64_t kLargestPower = 1000000000000000000;
    for (std::int64_t power = 100000;; power *= 10) {
        for (const std::int64_t near : {power - 1, power, power + 1, 2 * power - 1}) {
            values.push_back(near);
            values.push_back(-near);
        }
        if (power == kLargestPower) break;
    }
    for (std::int64_t n = 1; n < 100000000; n = n * 7 + 3) values.push_back(n);
    values.push_back(std::numeric_limits<std::int64_t>::min());
    values.push_back(std::numeric_limits<std::int64_t>::max());
    values.push_back(-1);
    constexpr char kGuard = '#';
    for (const std::int64_t value : values) {
        std::array<char, 24> out{};
        out.fill(kGuard);
        const std::size_t length = writeDecimal(out.data(), value);
        ASSERT_EQ(std::string_view(out.data(), length), std::to_string(value));
        for (std::size_t i = 20; i < out.size(); ++i) ASSERT_EQ(out[i], kGuard) << value;
    }
}

}  // namespace
