#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "explain/Explainer.h"
#include "tests/reference/PlainEvaluation.h"
#include "tests/reference/ProgramGenerator.h"

namespace {

const char* const kClosure =
    "path(X,Y)<-edge(X,Y)\n"
    "path(X,Y)<-edge(X,Z),path(Z,Y)\n"
    "\n"
    "edge(A,B)\n"
    "1,2\n"
    "2,3\n"
    "3,4\n"
    "1,5\n";

ExplainResult explain(const std::string& input, const std::string& row, std::size_t depth = 0,
                      bool isJson = false) {
    return explainOnText(input, {.row = row, .inputPath = "", .isJson = isJson, .depth = depth});
}

struct TreeCase {
    const char* what;
    std::string input;
    std::string row;
    std::size_t depth;
    std::string expected;
};

// Trees whose first derivations are known: each follows the combination that gave the row its
// place in the output, the first line that gives it and its first combination in enumeration
// order.
TEST(Explain, ShowsTheFirstDerivation) {
    const std::vector<TreeCase> cases = {
        {"linear closure", kClosure, "path(1,4)", 0,
         "path(1,4)  line 2: path(X,Y)<-edge(X,Z),path(Z,Y), iteration 2\n"
         "  edge(1,2)  stored, line 5\n"
         "  path(2,4)  line 2: path(X,Y)<-edge(X,Z),path(Z,Y), iteration 1\n"
         "    edge(2,3)  stored, line 6\n"
         "    path(3,4)  line 1: path(X,Y)<-edge(X,Y), iteration 0\n"
         "      edge(3,4)  stored, line 7\n"},
        {"cut by depth", kClosure, "path(1,4)", 2,
         "path(1,4)  line 2: path(X,Y)<-edge(X,Z),path(Z,Y), iteration 2\n"
         "  edge(1,2)  stored, line 5\n"
         "  path(2,4)  line 2: path(X,Y)<-edge(X,Z),path(Z,Y), iteration 1\n"
         "    ... 2 rows below, cut by --depth 2\n"},
        {"stored row", kClosure, "edge(1,5)", 0, "edge(1,5)  stored, line 8\n"},
        {"non-linear closure",
         "path(X,Y)<-edge(X,Y)\npath(X,Y)<-path(X,Z),path(Z,Y)\n\nedge(A,B)\n1,2\n2,3\n3,4\n",
         "path(1,4)", 0,
         "path(1,4)  line 2: path(X,Y)<-path(X,Z),path(Z,Y), iteration 2\n"
         "  path(1,2)  line 1: path(X,Y)<-edge(X,Y), iteration 0\n"
         "    edge(1,2)  stored, line 5\n"
         "  path(2,4)  line 2: path(X,Y)<-path(X,Z),path(Z,Y), iteration 1\n"
         "    path(2,3)  line 1: path(X,Y)<-edge(X,Y), iteration 0\n"
         "      edge(2,3)  stored, line 6\n"
         "    path(3,4)  line 1: path(X,Y)<-edge(X,Y), iteration 0\n"
         "      edge(3,4)  stored, line 7\n"},
        {"self-join, a derived row shown once", "q(X)<-s(X)\np(X,Y)<-q(X),q(Y)\n\ns(A)\n1\n",
         "p(1,1)", 0,
         "p(1,1)  line 2: p(X,Y)<-q(X),q(Y), iteration 1\n"
         "  q(1)  line 1: q(X)<-s(X), iteration 0\n"
         "    s(1)  stored, line 5\n"
         "  q(1)  shown above\n"},
        {"comparison", "big(X)<-n(X),X>2\n\nn(A)\n1\n3\n", "big(3)", 0,
         "big(3)  line 1: big(X)<-n(X),X>2, iteration 0\n  n(3)  stored, line 5\n"},
        {"the first line that gives the row, then its first combination",
         "r(X)<-e(X,Y)\nr(X)<-f(X)\n\nf(A)\n1\n\ne(A,B)\n1,5\n1,3\n", "r(1)", 0,
         "r(1)  line 1: r(X)<-e(X,Y), iteration 0\n  e(1,5)  stored, line 8\n"},
        {"a row both stored and derived is explained as derived",
         "edge(X,Y)<-link(X,Y)\n\nedge(A,B)\n1,2\n7,8\n\nlink(A,B)\n1,2\n", "edge(1,2)", 0,
         "edge(1,2)  line 1: edge(X,Y)<-link(X,Y), iteration 0\n  link(1,2)  stored, line 8\n"},
        {"strings", "anc(X,Y)<-par(X,Y)\n\npar(A,B)\n'Anna','Feri'\n", "anc('Anna','Feri')", 0,
         "anc('Anna','Feri')  line 1: anc(X,Y)<-par(X,Y), iteration 0\n"
         "  par('Anna','Feri')  stored, line 4\n"},
    };
    for (const TreeCase& c : cases) {
        const ExplainResult result = explain(c.input, c.row, c.depth);
        EXPECT_EQ(result.status, 0) << c.what;
        EXPECT_EQ(result.output, c.expected) << c.what;
    }
}

struct MissingCase {
    const char* what;
    std::string input;
    std::string row;
    int status;
    std::string expected;
};

// A row that is not there: per line of its rule, the first element that nothing satisfies.
TEST(Explain, SaysWhyARowIsMissing) {
    const std::vector<MissingCase> cases = {
        {"closure", kClosure, "path(1,9)", 1,
         "path(1,9)  not derived\n"
         "  line 1: no edge(1,9)\n"
         "  line 2: edge(1,Z) gives Z=2 or Z=5; no path(2,9), no path(5,9)\n"},
        {"comparison", "big(X)<-n(X),X>2\n\nn(A)\n1\n3\n", "big(1)", 1,
         "big(1)  not derived\n  line 1: not 1>2\n"},
        {"unknown relation in a body", "p(X)<-nothere(X)\np(X)<-n(X)\n\nn(A)\n1\n", "p(2)", 1,
         "p(2)  not derived\n"
         "  line 1: `nothere` is neither a stored relation nor a rule, so it gives no rows\n"
         "  line 2: no n(2)\n"},
        {"wrong number of values", kClosure, "path(1)", 1,
         "path(1)  not derived: rows of `path` have 2 values, not 1\n"},
        {"stored relation only", kClosure, "edge(9,9)", 1,
         "edge(9,9)  not stored: no row line of `edge` (line 4) gives it, and no rule derives "
         "it\n"},
        {"unknown name", kClosure, "pathh(1,2)", 2, ""},
        {"not a row", kClosure, "path", 2, ""},
        {"no values", kClosure, "path()", 2, ""},
    };
    for (const MissingCase& c : cases) {
        const ExplainResult result = explain(c.input, c.row);
        EXPECT_EQ(result.status, c.status) << c.what;
        EXPECT_EQ(result.output, c.expected) << c.what;
    }
}

// Many values are cut short, and say so.
TEST(Explain, ListsAFewValuesAndSaysThereAreMore) {
    std::string input = "two(X)<-e(X,Y),f(Y)\n\nf(A)\n0\n\ne(A,B)\n";
    for (int i = 1; i <= 9; ++i) input += "1," + std::to_string(i) + "\n";
    const ExplainResult result = explain(input, "two(1)");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.output,
              "two(1)  not derived\n"
              "  line 1: e(1,Y) gives Y=1 or Y=2 or Y=3 or Y=4 or more; no f(1), no f(2), no "
              "f(3), no f(4), and more\n");
}

TEST(Explain, GivesTheTreeAsJson) {
    const ExplainResult result = explain(kClosure, "path(2,4)", 0, true);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.output,
              "{\"row\":\"path(2,4)\",\"rows\":[\n"
              "{\"id\":0,\"text\":\"path(2,4)\",\"relation\":\"path\",\"values\":[2,4],"
              "\"source\":\"rule\",\"line\":2,\"rule\":\"path(X,Y)<-edge(X,Z),path(Z,Y)\","
              "\"iteration\":1,\"children\":[1,2]},\n"
              "{\"id\":1,\"text\":\"edge(2,3)\",\"relation\":\"edge\",\"values\":[2,3],"
              "\"source\":\"stored\",\"line\":6},\n"
              "{\"id\":2,\"text\":\"path(3,4)\",\"relation\":\"path\",\"values\":[3,4],"
              "\"source\":\"rule\",\"line\":1,\"rule\":\"path(X,Y)<-edge(X,Y)\","
              "\"iteration\":0,\"children\":[3]},\n"
              "{\"id\":3,\"text\":\"edge(3,4)\",\"relation\":\"edge\",\"values\":[3,4],"
              "\"source\":\"stored\",\"line\":7}\n"
              "]}\n");
    const ExplainResult cut = explain(kClosure, "path(1,4)", 1, true);
    EXPECT_NE(cut.output.find("\"iteration\":2,\"cut\":true}"), std::string::npos);
    const ExplainResult strings = explain("s(X)<-t(X)\n\nt(A)\n'a\"b\\'\n", "s('a\"b\\')", 0, true);
    EXPECT_NE(strings.output.find("\"values\":[\"a\\\"b\\\\\"]"), std::string::npos);
}

// A derivation as deep as its chain is long prints level after level without recursion, and
// without indenting each line by its whole depth.
TEST(Explain, PrintsAVeryDeepTree) {
    constexpr int kNodes = 20000;
    std::string input =
        "reach(Y)<-start(Y)\nreach(Y)<-reach(X),edge(X,Y)\n\nstart(A)\n1\n\nedge(A,B)\n";
    for (int i = 1; i < kNodes; ++i)
        input += std::to_string(i) + "," + std::to_string(i + 1) + "\n";
    const ExplainResult result = explain(input, "reach(" + std::to_string(kNodes) + ")");
    EXPECT_EQ(result.status, 0);
    std::istringstream lines(result.output);
    std::string line;
    std::size_t count = 0;
    std::size_t longest = 0;
    while (std::getline(lines, line)) {
        ++count;
        longest = std::max(longest, line.size());
    }
    EXPECT_EQ(count, 2 * std::size_t{kNodes});  // reach and edge per level, then start
    EXPECT_LT(longest, 200u);
    EXPECT_NE(result.output.find("[level 20000] reach(1)  line 1: reach(Y)<-start(Y), iteration 0"),
              std::string::npos);
}

// What the reference evaluation derived: per rule its name, head and printed rows, and after
// each iteration how many rows each rule had.
struct ReferenceRun {
    std::vector<std::string> names;
    std::vector<std::string> heads;
    std::vector<std::vector<std::string>> rows;
    std::vector<std::vector<std::size_t>> sizes;

    std::size_t ruleNamed(const std::string& name) const {
        for (std::size_t i = 0; i < names.size(); ++i) {
            if (names[i] == name) return i;
        }
        return names.size();
    }
    // The iteration that first derived the row, or -1 when the rule does not hold it.
    int iterationOf(std::size_t rule, const std::string& row) const {
        const auto found = std::find(rows[rule].begin(), rows[rule].end(), row);
        if (found == rows[rule].end()) return -1;
        const auto index = static_cast<std::size_t>(found - rows[rule].begin());
        for (std::size_t i = 0; i < sizes.size(); ++i) {
            if (sizes[i][rule] > index) return static_cast<int>(i);
        }
        return -1;
    }
};

ReferenceRun runReference(const std::string& input, RunStore& store, PlainProgram& program) {
    program = readPlainly(input, store);
    ReferenceRun run;
    const std::vector<Relation> idb =
        evaluateToFixpointPlainly(program.rules, program.edb, store, &run.sizes);
    for (std::size_t i = 0; i < idb.size(); ++i) {
        run.names.push_back(program.rules[i].first);
        run.heads.push_back(program.rules[i].first + "(" + program.rules[i].second.headText() +
                            ")");
        std::string text;
        idb[i].appendTo(text);
        std::istringstream lines(text);
        std::string line;
        std::getline(lines, line);  // the header
        std::vector<std::string>& rows = run.rows.emplace_back();
        while (std::getline(lines, line) && !line.empty()) rows.push_back(line);
    }
    return run;
}

// One line of a printed tree.
struct TreeLine {
    std::size_t level = 0;
    std::string name;
    std::string values;  // as a row line prints them
    std::string source;
};

TreeLine parseTreeLine(const std::string& line) {
    TreeLine parsed;
    std::size_t start = line.find_first_not_of(' ');
    parsed.level = start / 2;
    if (line.compare(start, 7, "[level ") == 0) {
        const std::size_t close = line.find("] ", start);
        parsed.level = std::stoul(line.substr(start + 7, close - start - 7)) - 1;
        start = close + 2;
    }
    std::size_t split = line.rfind("  line ");
    for (const char* source : {"  stored, line ", "  shown above"}) {
        const std::size_t at = line.rfind(source);
        if (at != std::string::npos && at >= start) split = at;
    }
    const std::string row = line.substr(start, split - start);
    const std::size_t open = row.find('(');
    parsed.name = row.substr(0, open);
    parsed.values = row.substr(open + 1, row.size() - open - 2);
    parsed.source = line.substr(split + 2);
    return parsed;
}

// What the rule line's body gives from its children's rows alone, as the output prints it.
std::string givenBy(const std::string& head, const std::string& ruleLine,
                    const std::vector<TreeLine>& children, RunStore& store) {
    std::vector<Relation> relations;
    for (const TreeLine& child : children) {
        Relation* target = nullptr;
        for (Relation& relation : relations) {
            if (relation.nameView() == child.name) target = &relation;
        }
        if (target == nullptr) {
            std::string header = child.name + "(C0";
            for (std::size_t
                     i = 1,
                     columns = std::count(child.values.begin(), child.values.end(), ',') + 1;
                 i < columns; ++i) {
                header += ",C" + std::to_string(i);
            }
            target = &relations.emplace_back(header + ")", store);
        }
        target->parseRow(child.values, store);
    }
    const Rule rule(head + "<-" + std::string(Rule::bodyText(ruleLine)));
    std::string text;
    evaluatePlainly(rule, relations, store).appendTo(text);
    return text;
}

int programCount() {
    const char* configured = std::getenv("DEDB_DIFFERENTIAL_PROGRAMS");
    return configured != nullptr ? std::atoi(configured) / 10 : 300;
}

// Explains random rows of random programs and checks every tree against the reference: each
// derived row comes in the iteration in which the reference first derives it, from a line whose
// body gives it from the rows below it, all of which came earlier; rows the reference does not
// derive are reported missing.
TEST(Explain, TreesOfGeneratedProgramsAreDerivationsInTheReferenceOrder) {
    std::mt19937_64 random(7);
    int failures = 0;
    for (int seed = 0; seed < programCount() && failures < 3; ++seed) {
        const std::string input = generateProgram(static_cast<std::uint64_t>(seed));
        RunStore store;
        PlainProgram program;
        const ReferenceRun reference = runReference(input, store, program);
        for (std::size_t rule = 0; rule < reference.names.size(); ++rule) {
            if (reference.rows[rule].empty()) continue;
            const std::string& values =
                reference.rows[rule][random() % reference.rows[rule].size()];
            const ExplainResult result = explain(input, reference.names[rule] + "(" + values + ")");
            const std::string label = "seed " + std::to_string(seed) + ", row " +
                                      reference.names[rule] + "(" + values + ")\n" + input + "\n" +
                                      result.output;
            EXPECT_EQ(result.status, 0) << label;
            if (seed % 10 == 0) {
                const ExplainResult shared =
                    explainOnText(input, {.row = reference.names[rule] + "(" + values + ")",
                                          .inputPath = "",
                                          .isJson = false,
                                          .depth = 0,
                                          .threads = 3});
                EXPECT_EQ(shared.output, result.output) << "3 threads, " << label;
            }
            std::vector<TreeLine> lines;
            std::istringstream text(result.output);
            for (std::string line; std::getline(text, line);) lines.push_back(parseTreeLine(line));
            for (std::size_t at = 0; at < lines.size(); ++at) {
                const TreeLine& node = lines[at];
                // Rows without values print as empty lines, which this harness cannot tell apart.
                if (node.source.rfind("line ", 0) != 0 || node.values.empty()) continue;
                const std::size_t owner = reference.ruleNamed(node.name);
                const std::size_t comma = node.source.rfind(", iteration ");
                const int iteration = std::stoi(node.source.substr(comma + 12));
                EXPECT_EQ(iteration, reference.iterationOf(owner, node.values)) << label;
                std::vector<TreeLine> children;
                for (std::size_t next = at + 1;
                     next < lines.size() && lines[next].level > node.level; ++next) {
                    if (lines[next].level == node.level + 1) children.push_back(lines[next]);
                }
                for (const TreeLine& child : children) {
                    const std::size_t childRule = reference.ruleNamed(child.name);
                    if (child.source.rfind("stored", 0) == 0 ||
                        childRule == reference.names.size()) {
                        continue;
                    }
                    EXPECT_LT(reference.iterationOf(childRule, child.values), iteration) << label;
                }
                const std::string ruleLine = node.source.substr(node.source.find(": ") + 2,
                                                                comma - node.source.find(": ") - 2);
                const bool isAnyEmpty =
                    std::any_of(children.begin(), children.end(),
                                [](const TreeLine& child) { return child.values.empty(); });
                if (isAnyEmpty) continue;
                const std::string given =
                    givenBy(reference.heads[owner], ruleLine, children, store);
                EXPECT_NE(given.find("\n" + node.values + "\n"), std::string::npos)
                    << given << label;
            }
            if (testing::Test::HasFailure()) ++failures;
            // A row the reference does not derive is missing, unless a stored relation of
            // the same name holds it.
            const ExplainResult absent =
                explain(input, reference.names[rule] + "(" + values + ",0)");
            if (absent.status == 0) {
                EXPECT_NE(absent.output.find("  stored, line "), std::string::npos) << label;
            } else {
                EXPECT_EQ(absent.status, 1) << label;
            }
        }
    }
}

}  // namespace
