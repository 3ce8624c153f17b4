// Checks the fuzzer's bytes as an input file: the checker must finish on any text, without a
// crash, a hang or a read out of bounds, and say the same of the same text every time.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "check/Checker.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    InputLines input;
    input.openText(text);
    Diagnostics diagnostics;
    if (!checkInput(input, diagnostics)) std::abort();  // text held in memory always reads
    diagnostics.text("input.txt");
    return 0;
}
