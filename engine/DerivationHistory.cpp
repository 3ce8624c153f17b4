#include "engine/DerivationHistory.h"

#include <algorithm>

void DerivationHistory::ruleCommitted(std::size_t iteration, std::size_t rule,
                                      const RelationTable& table, std::size_t newRows) {
    if (newRows == 0) return;
    Growth& growth = grownOf[rule].emplace_back();
    growth.iteration = iteration;
    for (std::size_t part = 0; part < table.partCount(); ++part) {
        const RelationPart& rows = table.partAt(static_cast<std::uint32_t>(part));
        growth.partSizes.emplace_back(rows.getArity(), rows.size());
    }
}

std::size_t DerivationHistory::sizeIn(const Growth& growth, std::size_t arity) {
    for (const auto& [length, size] : growth.partSizes) {
        if (length == arity) return size;
    }
    return 0;
}

std::size_t DerivationHistory::iterationOf(std::size_t rule, std::size_t arity,
                                           std::size_t position) const {
    const std::vector<Growth>& grown = grownOf[rule];
    // Sizes only grow, so the first growth that holds the position is the one that added it.
    const auto found = std::partition_point(grown.begin(), grown.end(), [&](const Growth& growth) {
        return sizeIn(growth, arity) <= position;
    });
    return found != grown.end() ? found->iteration : 0;
}

std::size_t DerivationHistory::rowsAfter(std::size_t rule, std::size_t arity,
                                         std::size_t iteration) const {
    const std::vector<Growth>& grown = grownOf[rule];
    const auto after = std::partition_point(grown.begin(), grown.end(), [&](const Growth& growth) {
        return growth.iteration <= iteration;
    });
    return after == grown.begin() ? 0 : sizeIn(*(after - 1), arity);
}
