#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <string_view>

// Parameterised cases are named after their text so that `ctest -R` and --gtest_filter can pick
// one. gtest takes only letters, digits and '_' in a name and stops on two equal names: each run
// of other characters becomes one '_', and the case's index, always last, keeps apart texts that
// differ only in what was dropped. Long texts are cut, since the index alone makes a name unique.
inline std::string testName(std::string_view text, std::size_t index) {
    constexpr std::size_t kMaxTextLength = 48;
    std::string name;
    bool pendingSeparator = false;
    for (const char c : text) {
        const bool isLetterOrDigit =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (!isLetterOrDigit) {
            pendingSeparator = !name.empty();
            continue;
        }
        if (pendingSeparator) {
            if (name.size() + 1 >= kMaxTextLength) break;
            name += '_';
            pendingSeparator = false;
        }
        if (name.size() >= kMaxTextLength) break;
        name += c;
    }
    // The index alone would read as gtest's own numbering.
    if (name.empty()) name = "case";
    return name + "_" + std::to_string(index);
}

// A name generator for INSTANTIATE_TEST_SUITE_P naming each case after one of its text members.
template <typename Case, typename Text>
auto namedAfter(Text Case::*text) {
    return [text](const testing::TestParamInfo<Case>& info) {
        return testName(info.param.*text, info.index);
    };
}
