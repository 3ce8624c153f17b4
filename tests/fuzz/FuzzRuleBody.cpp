// Parses the fuzzer's bytes as a rule line and as a body text, prints them, and plans the body
// for evaluation: none of it may read out of bounds or fail on any text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "data/ValuePool.h"
#include "engine/RuleBodyPlan.h"
#include "rules/Rule.h"
#include "rules/RuleBody.h"

namespace {

std::size_t parseOnce(std::string_view text) {
    const RuleBody body(text);
    const std::string printed = body.toString();
    const Rule rule(text);
    const std::string rulePrinted = rule.toString();
    ValuePool pool;
    const RuleBodyPlan plan(body, rule.headColumnNames(), pool);
    return printed.size() + rulePrinted.size() + plan.getSlotCount();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    parseOnce(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
