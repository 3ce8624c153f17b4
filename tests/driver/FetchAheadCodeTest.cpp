#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "tests/driver/RunDedb.h"

namespace {

// The prefetch instructions in the disassembly of the functions of this name.
[[maybe_unused]] int prefetchesIn(const std::string& listing, const std::string& function) {
    int count = 0;
    bool isInside = false;
    for (const std::string& line : linesOf(listing)) {
        if (line.find(">:") != std::string::npos && line.find(" <") != std::string::npos) {
            isInside = line.find(" <" + function + "(") != std::string::npos;
        } else if (isInside && line.find("prefetch") != std::string::npos) {
            ++count;
        }
    }
    return count;
}

// Batched probes wait on memory unless their prefetches survive the compiler: GCC takes a call
// to a function that only prefetches for one without effect and drops it, which once left the
// last batches of a staged probe, and the loader's string entries, unfetched. Looks at the
// optimised x86-64 build only, where the instructions are known.
TEST(FetchAheadCode, KeepsItsPrefetches) {
#if defined(NDEBUG) && defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
    const ScratchDirectory scratch;
    const std::string listingPath = scratch.path("listing");
    const std::string command = "objdump -d --no-show-raw-insn -C '" + std::string(DEDB_BINARY) +
                                "' > '" + listingPath + "' 2>/dev/null";
    if (std::system(command.c_str()) != 0) GTEST_SKIP() << "objdump is not at hand";
    const std::string listing = readFileBytes(listingPath);
    const std::vector<std::pair<std::string, int>> expected = {
        {"RelationLoader::internPooled", 3},  // value slots of both kinds, string entries
        {"RelationLoader::internShard", 3},
        {"PendingRows::flush", 1},      // rows of the last batches
        {"PendingRows::offerMany", 1},  // slots
        {"SharedPass::flush", 1},
    };
    for (const auto& [function, least] : expected) {
        EXPECT_GE(prefetchesIn(listing, function), least) << function;
    }
#else
    GTEST_SKIP() << "looks at the optimised x86-64 build of GCC only";
#endif
}

}  // namespace
