#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "data/RelationTable.h"
#include "driver/BodySampler.h"
#include "engine/FixpointObserver.h"
#include "rules/Rule.h"

// What a profiled run (dedb --profile) measured, and the table it ends with: per rule line the
// rows it derived first, the combinations it produced and its time; per rule its rows and the
// iterations in which it grew; in all the iterations, the time of each step of the run and the
// peak memory. Only what the fixpoint reports per body and iteration is summed, never anything
// per row, and the time of bodies is sampled, so a profiled run costs about what a plain one does.
class RunProfile final : public FixpointObserver {
public:
    // The run starts, with the reading of its input.
    RunProfile();

    // A rule line as read; its text is kept for the table, shortened.
    void ruleLine(std::string_view line, std::size_t number);
    // The program is read and its evaluation starts: the rules say which line each body is.
    // Bodies are sampled every samplingInterval from then on.
    void readingEnded(const std::vector<std::pair<std::string, Rule>>& rules,
                      std::chrono::microseconds samplingInterval = kSamplingInterval);
    void evaluationEnded();
    void writingEnded();

    bool isWatchingBodies() const override { return true; }
    void bodyStarting(std::size_t rule, std::size_t body) override;
    void bodyRan(std::size_t iteration, std::size_t rule, std::size_t body,
                 std::uint64_t combinations, std::uint64_t newRows) override;
    // Time found for a body: the samples' when the evaluation ends.
    void addSeconds(std::size_t rule, std::size_t body, double seconds);
    void ruleCommitted(std::size_t iteration, std::size_t rule, const RelationTable& table,
                       std::size_t newRows) override;
    void iterationEnded(std::size_t iteration, std::uint64_t rowCount) override;

    // The table, in English, for a person at a terminal; peakKibibytes is the run's peak
    // resident size.
    std::string table(std::uint64_t peakKibibytes) const;

    // The most columns a rule line's text and a rule's list of iterations take in the table.
    static constexpr std::size_t kTextColumns = 60;
    static constexpr std::chrono::microseconds kSamplingInterval{1000};

private:
    struct LineCost {
        std::size_t line = 0;
        std::uint64_t rows = 0;
        std::uint64_t combinations = 0;
        double seconds = 0;
    };
    // Iterations as ranges first..last, in order: a rule that grows in every iteration of a
    // long run keeps one range.
    struct RuleGrowth {
        std::uint64_t rows = 0;
        std::vector<std::pair<std::size_t, std::size_t>> iterations;
    };

    std::string_view textOfLine(std::size_t line) const;
    void appendLines(std::string& out) const;
    void appendRules(std::string& out) const;
    void appendTotals(std::string& out, std::uint64_t peakKibibytes) const;

    // Rule lines as read, in input order, by their numbers.
    std::vector<std::pair<std::size_t, std::string>> lineTexts;
    // Every body's cost, rule after rule, the bodies of a rule in order from firstCostOf[rule].
    std::vector<LineCost> costs;
    std::vector<std::size_t> firstCostOf;
    std::vector<std::string> ruleNames;
    std::vector<RuleGrowth> growth;      // per rule
    std::optional<BodySampler> sampler;  // while the evaluation runs
    std::size_t iterationCount = 0;
    std::uint64_t rowCount = 0;
    using Clock = std::chrono::steady_clock;
    Clock::time_point phaseStart;
    double readingSeconds = 0;
    double evaluationSeconds = 0;
    double writingSeconds = 0;
};
