// Writes a dedb input for one benchmark workload to standard output. The same arguments give the
// same bytes on every machine: the random numbers come from a fixed-seed std::mt19937_64, whose
// sequence the standard fixes, reduced to a range by code written out here (the standard
// distributions may differ between library implementations).
//
//   dedb-generate WORKLOAD SIZE
//
// WORKLOAD is one of tc-chain, tc-random, tc-nonlinear-chain, same-generation, triangles, strings,
// points-to, scale-rows, long-line, many-rules, chain-reach, rule-pipeline, wide-rows,
// alias-analysis; SIZE is S, M or L, or XL for tc-random alone. A number instead of the size letter
// gives that size in the workload's own unit.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "bench/Workloads.h"

namespace {

struct Workload {
    std::string_view name;
    std::int64_t sizes[3];  // S, M, L, for the workloads that take one number
};

constexpr Workload kWorkloads[] = {
    {"tc-chain", {100, 1000, 2000}},
    {"tc-random", {150, 1500, 3000}},
    {"tc-nonlinear-chain", {100, 300, 600}},
    {"same-generation", {}},
    {"triangles", {2000, 20000, 40000}},
    {"strings", {100000, 1000000, 2000000}},
    {"points-to", {30, 300, 600}},
    {"scale-rows", {10000, 1000000, 5000000}},
    {"long-line", {100000, 10000000, 100000000}},
    {"many-rules", {1000, 20000, 100000}},
    {"chain-reach", {20000, 200000, 400000}},
    {"rule-pipeline", {300, 3000, 6000}},
    {"wide-rows", {20000, 2000000, 4000000}},
    {"alias-analysis", {3, 100, 200}},
};

int usage() {
    std::fputs(
        "usage: dedb-generate WORKLOAD S|M|L|XL\n"
        "  WORKLOAD: tc-chain tc-random tc-nonlinear-chain same-generation triangles strings\n"
        "            points-to scale-rows long-line many-rules chain-reach rule-pipeline\n"
        "            wide-rows alias-analysis\n"
        "  a number instead of S|M|L gives that size: nodes, rows, modules or rules as the\n"
        "  workload counts them; for same-generation, the depth of one tree (1 to 20)\n"
        "  XL is tc-random alone: 10000 nodes and 100000 edges\n",
        stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) return usage();
    const std::string_view name = argv[1];
    const std::string_view sizeText = argv[2];
    const Workload* workload = nullptr;
    for (const Workload& candidate : kWorkloads) {
        if (candidate.name == name) workload = &candidate;
    }
    if (workload == nullptr) return usage();

    // XL exists to measure one closure of 100 million rows (10,000 nodes in one strongly
    // connected mass, so every node reaches every node), so its graph is denser than the S/M/L
    // formula would make it; the other workloads have no size that large that would measure
    // anything new.
    if (sizeText == "XL") {
        if (name != "tc-random") {
            std::fprintf(stderr, "dedb-generate: size XL is defined for tc-random only, not %s\n",
                         argv[1]);
            return 2;
        }
        Output out;
        writeRandomGraph(out, 10000, 100000);
        return 0;
    }

    int sizeIndex = -1;
    if (sizeText == "S") sizeIndex = 0;
    if (sizeText == "M") sizeIndex = 1;
    if (sizeText == "L") sizeIndex = 2;
    std::int64_t size = 0;
    if (sizeIndex >= 0) {
        size = workload->sizes[sizeIndex];
    } else if (!sizeText.empty() &&
               sizeText.find_first_not_of("0123456789") == std::string_view::npos &&
               sizeText.size() <= 12) {
        size = std::strtoll(argv[2], nullptr, 10);
        if (name == "same-generation" && (size < 1 || size > 20)) return usage();
    } else {
        return usage();
    }

    Output out;
    if (name == "tc-chain") writeChain(out, size, true);
    if (name == "tc-random") writeRandomGraph(out, size, size * 23 / 15);
    if (name == "tc-nonlinear-chain") writeChain(out, size, false);
    if (name == "same-generation") {
        if (sizeIndex < 0) {
            writeSameGeneration(out, static_cast<int>(size), 1);
        } else {
            writeSameGeneration(out, sizeIndex == 0 ? 8 : 11, sizeIndex == 2 ? 2 : 1);
        }
    }
    if (name == "triangles") writeTriangles(out, size, size * 10, 140);
    if (name == "strings") writeStrings(out, size);
    if (name == "points-to") writePointsTo(out, size);
    if (name == "scale-rows") writeScaleRows(out, size);
    if (name == "long-line") writeLongLine(out, size);
    if (name == "many-rules") writeManyRules(out, size);
    if (name == "chain-reach") writeChainReach(out, size);
    if (name == "rule-pipeline") writeRulePipeline(out, size);
    if (name == "wide-rows") writeWideRows(out, size);
    if (name == "alias-analysis") writeAliasAnalysis(out, size);
    return 0;
}
