#pragma once

// The benchmark workloads, each written as a whole dedb input to the output.

#include <cstdint>

#include "bench/GeneratorTools.h"

void writeChain(Output& out, std::int64_t nodes, bool isLinear);
void writeRandomGraph(Output& out, std::int64_t nodes, std::int64_t edges);
void writeSameGeneration(Output& out, int depth, int trees);
void writeTriangles(Output& out, std::int64_t nodes, std::int64_t edges, std::int64_t window);
void writeStrings(Output& out, std::int64_t persons);
void writePointsTo(Output& out, std::int64_t modules);
void writeScaleRows(Output& out, std::int64_t rows);
void writeLongLine(Output& out, std::int64_t length);
void writeManyRules(Output& out, std::int64_t rules);
void writeChainReach(Output& out, std::int64_t nodes);
void writeRulePipeline(Output& out, std::int64_t stages);
void writeWideRows(Output& out, std::int64_t rows);
void writeAliasAnalysis(Output& out, std::int64_t modules);
