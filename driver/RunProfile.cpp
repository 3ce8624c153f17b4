#include "driver/RunProfile.h"

#include <algorithm>
#include <cassert>

#include "driver/NumberText.h"

namespace {

constexpr std::size_t kNameColumns = 32;

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A table gathered cell by cell, row after row, into one text, then written as columns, each as
// wide as its widest cell: numbers padded on the left, text on the right, except in the last
// column, which is never padded. A table of thousands of rule lines costs no allocation per cell.
class Columns {
public:
    Columns(std::vector<bool> rightAligned, std::string_view gapBeforeLast = "  ")
        : isRightAligned(std::move(rightAligned)),
          widths(isRightAligned.size(), 0),
          lastGap(gapBeforeLast) {}

    // The text the next cell is appended to; end() closes the cell.
    std::string& cell() { return text; }
    void end() {
        const std::size_t start = ends.empty() ? 0 : ends.back();
        const std::size_t columns = columnsOf(std::string_view(text).substr(start));
        std::size_t& width = widths[ends.size() % widths.size()];
        width = std::max(width, columns);
        ends.push_back(text.size());
        cellColumns.push_back(columns);
    }
    void add(std::string_view cellText) {
        text += cellText;
        end();
    }

    void appendTo(std::string& out) const {
        const std::size_t count = widths.size();
        for (std::size_t first = 0; first + count <= ends.size(); first += count) {
            const std::size_t lineStart = out.size();
            for (std::size_t c = 0; c < count; ++c) {
                const std::size_t at = first + c;
                const std::size_t start = at == 0 ? 0 : ends[at - 1];
                const std::size_t padding = widths[c] - cellColumns[at];
                if (c > 0) out += c + 1 < count ? "  " : lastGap;
                if (isRightAligned[c]) out.append(padding, ' ');
                out.append(text, start, ends[at] - start);
                if (!isRightAligned[c] && c + 1 < count) out.append(padding, ' ');
            }
            while (out.size() > lineStart && out.back() == ' ') out.pop_back();
            out += '\n';
        }
    }

private:
    std::vector<bool> isRightAligned;
    std::vector<std::size_t> widths;
    std::string_view lastGap;
    std::string text;
    std::vector<std::size_t> ends;  // per cell, where it ends in text
    std::vector<std::size_t> cellColumns;
};

// "0-41, 45": each range of consecutive iterations as its ends, cut to the column's width.
void appendRanges(std::string& out,
                  const std::vector<std::pair<std::size_t, std::size_t>>& ranges) {
    std::string text;
    for (const auto& [first, last] : ranges) {
        // Plain digits: a grouping comma would read as the list's.
        if (!text.empty()) text += ", ";
        text += std::to_string(first);
        if (last > first) {
            text += '-';
            text += std::to_string(last);
        }
        // A run of many scattered iterations is cut here rather than built whole.
        if (text.size() > RunProfile::kTextColumns) break;
    }
    out += shortened(text, RunProfile::kTextColumns);
}

}  // namespace

RunProfile::RunProfile() : phaseStart(Clock::now()) {}

void RunProfile::ruleLine(std::string_view line, std::size_t number) {
    lineTexts.emplace_back(number, shortened(line, kTextColumns));
}

void RunProfile::readingEnded(const std::vector<std::pair<std::string, Rule>>& rules,
                              std::chrono::microseconds samplingInterval) {
    for (const auto& [name, rule] : rules) {
        ruleNames.push_back(shortened(name, kNameColumns));
        growth.emplace_back();
        firstCostOf.push_back(costs.size());
        for (const RuleBody& body : rule.getBodies()) costs.push_back({body.getInputLine()});
    }
    readingSeconds = secondsSince(phaseStart);
    phaseStart = Clock::now();
    sampler.emplace(costs.size(), samplingInterval);
}

void RunProfile::evaluationEnded() {
    evaluationSeconds = secondsSince(phaseStart);
    if (sampler) {
        sampler->stop();
        for (std::size_t i = 0; i < costs.size(); ++i) costs[i].seconds += sampler->secondsOf(i);
        sampler.reset();
    }
    phaseStart = Clock::now();
}

void RunProfile::writingEnded() { writingSeconds = secondsSince(phaseStart); }

void RunProfile::bodyStarting(std::size_t rule, std::size_t body) {
    assert(rule < firstCostOf.size() && firstCostOf[rule] + body < costs.size());
    if (sampler) sampler->enter(firstCostOf[rule] + body);
}

void RunProfile::bodyRan(std::size_t, std::size_t rule, std::size_t body,
                         std::uint64_t combinations, std::uint64_t newRows) {
    assert(rule < firstCostOf.size() && firstCostOf[rule] + body < costs.size());
    if (sampler) sampler->leave();
    LineCost& cost = costs[firstCostOf[rule] + body];
    cost.rows += newRows;
    cost.combinations += combinations;
}

void RunProfile::addSeconds(std::size_t rule, std::size_t body, double seconds) {
    assert(rule < firstCostOf.size() && firstCostOf[rule] + body < costs.size());
    costs[firstCostOf[rule] + body].seconds += seconds;
}

void RunProfile::ruleCommitted(std::size_t iteration, std::size_t rule, const RelationTable&,
                               std::size_t newRows) {
    assert(rule < growth.size());
    if (newRows == 0) return;
    RuleGrowth& own = growth[rule];
    own.rows += newRows;
    if (!own.iterations.empty() && own.iterations.back().second + 1 == iteration) {
        own.iterations.back().second = iteration;
    } else {
        own.iterations.emplace_back(iteration, iteration);
    }
}

void RunProfile::iterationEnded(std::size_t iteration, std::uint64_t derivedRows) {
    iterationCount = iteration + 1;
    rowCount = derivedRows;
}

std::string_view RunProfile::textOfLine(std::size_t line) const {
    const auto found = std::lower_bound(lineTexts.begin(), lineTexts.end(), line,
                                        [](const std::pair<std::size_t, std::string>& entry,
                                           std::size_t number) { return entry.first < number; });
    return found != lineTexts.end() && found->first == line ? found->second : std::string_view();
}

void RunProfile::appendLines(std::string& out) const {
    std::vector<LineCost> lines = costs;
    std::sort(lines.begin(), lines.end(),
              [](const LineCost& a, const LineCost& b) { return a.line < b.line; });
    Columns table({true, true, true, true, false});
    for (const std::string_view header : {"line", "rows", "combinations", "seconds", "rule line"}) {
        table.add(header);
    }
    for (const LineCost& cost : lines) {
        appendGroupedDigits(table.cell(), cost.line);
        table.end();
        appendGroupedDigits(table.cell(), cost.rows);
        table.end();
        appendGroupedDigits(table.cell(), cost.combinations);
        table.end();
        appendGroupedDecimal(table.cell(), cost.seconds, 3);
        table.end();
        table.add(textOfLine(cost.line));
    }
    table.appendTo(out);
}

void RunProfile::appendRules(std::string& out) const {
    Columns table({false, true, false});
    for (const std::string_view header : {"rule", "rows", "iterations with new rows"}) {
        table.add(header);
    }
    for (std::size_t rule = 0; rule < growth.size(); ++rule) {
        table.add(ruleNames[rule]);
        appendGroupedDigits(table.cell(), growth[rule].rows);
        table.end();
        appendRanges(table.cell(), growth[rule].iterations);
        table.end();
    }
    table.appendTo(out);
}

void RunProfile::appendTotals(std::string& out, std::uint64_t peakKibibytes) const {
    Columns table({false, true, false}, " ");
    table.add("iterations");
    appendGroupedDigits(table.cell(), iterationCount);
    table.end();
    table.add("");
    table.add("rows derived");
    appendGroupedDigits(table.cell(), rowCount);
    table.end();
    table.add("");
    for (const auto& [label, seconds] :
         {std::pair<std::string_view, double>{"reading", readingSeconds},
          {"evaluating", evaluationSeconds},
          {"writing", writingSeconds}}) {
        table.add(label);
        appendGroupedDecimal(table.cell(), seconds, 3);
        table.end();
        table.add("s");
    }
    table.add("peak memory");
    appendGroupedDecimal(table.cell(), static_cast<double>(peakKibibytes) / 1024, 1);
    table.end();
    table.add("MiB");
    table.appendTo(out);
}

std::string RunProfile::table(std::uint64_t peakKibibytes) const {
    std::string out;
    appendLines(out);
    out += '\n';
    appendRules(out);
    out += '\n';
    appendTotals(out, peakKibibytes);
    return out;
}
