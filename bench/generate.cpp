// Writes a dedb input for one benchmark workload to standard output. The same arguments give the
// same bytes on every machine: the random numbers come from a fixed-seed std::mt19937_64, whose
// sequence the standard fixes, reduced to a range by code written out here (the standard
// distributions may differ between library implementations).
//
//   dedb-generate WORKLOAD SIZE
//
// WORKLOAD is one of tc-chain, tc-random, tc-nonlinear-chain, same-generation, triangles, strings,
// points-to, scale-rows, long-line, many-rules, chain-reach, rule-pipeline, wide-rows,
// alias-analysis; SIZE is S, M or L. scale-rows, long-line and many-rules also take a number: the
// stored rows, the characters of the one row line, or the rule lines.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>

namespace {

// Collects text and writes it to standard output in large pieces.
class Output {
public:
    Output() { buffer.reserve(kFlushAt + 4096); }
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;
    ~Output() { flush(); }

    Output& operator<<(std::string_view text) {
        buffer.append(text);
        if (buffer.size() >= kFlushAt) flush();
        return *this;
    }
    Output& operator<<(std::int64_t number) {
        return *this << std::string_view(std::to_string(number));
    }
    Output& operator<<(char c) { return *this << std::string_view(&c, 1); }

    void flush() {
        if (!buffer.empty() &&
            std::fwrite(buffer.data(), 1, buffer.size(), stdout) != buffer.size()) {
            std::exit(1);
        }
        buffer.clear();
    }

private:
    static constexpr std::size_t kFlushAt = 1 << 20;
    std::string buffer;
};

class Random {
public:
    explicit Random(std::uint64_t seed) : engine(seed) {}

    // Uniform in [0, bound): draws below 2^64 mod bound are rejected, so every residue is equally
    // likely.
    std::int64_t below(std::int64_t bound) {
        const auto range = static_cast<std::uint64_t>(bound);
        const std::uint64_t rejectBelow = (0 - range) % range;
        std::uint64_t draw = engine();
        while (draw < rejectBelow) draw = engine();
        return static_cast<std::int64_t>(draw % range);
    }
    bool percent(std::int64_t chance) { return below(100) < chance; }

private:
    std::mt19937_64 engine;
};

// A set of directed pairs of node numbers below 2^31.
class PairSet {
public:
    bool insert(std::int64_t from, std::int64_t to) {
        return pairs.insert(static_cast<std::uint64_t>(from) << 32 | static_cast<std::uint64_t>(to))
            .second;
    }

private:
    std::unordered_set<std::uint64_t> pairs;
};

void writeTransitiveClosureRules(Output& out, bool isLinear) {
    out << "path(X,Y)<-edge(X,Y)\n";
    out << (isLinear ? "path(X,Y)<-edge(X,Z),path(Z,Y)\n" : "path(X,Y)<-path(X,Z),path(Z,Y)\n");
    out << "\nedge(A,B)\n";
}

void writeChain(Output& out, std::int64_t nodes, bool isLinear) {
    writeTransitiveClosureRules(out, isLinear);
    for (std::int64_t i = 1; i < nodes; ++i) out << i << ',' << i + 1 << '\n';
}

// Distinct edges between distinct nodes, drawn uniformly.
void writeRandomGraph(Output& out, std::int64_t nodes, std::int64_t edges) {
    writeTransitiveClosureRules(out, true);
    Random random(0x7c15a11dULL);
    PairSet seen;
    for (std::int64_t written = 0; written < edges;) {
        const std::int64_t from = 1 + random.below(nodes);
        const std::int64_t to = 1 + random.below(nodes);
        if (from == to || !seen.insert(from, to)) continue;
        out << from << ',' << to << '\n';
        ++written;
    }
}

// Complete binary trees of the given depth (the root alone has depth 0), numbered level by level
// so that node k has the children 2k and 2k+1; each further tree continues the numbering. Only
// nodes of one tree are of the same generation, so each tree adds the same number of rows.
void writeSameGeneration(Output& out, int depth, int trees) {
    out << "sg(X,Y)<-par(X,P),par(Y,P),X<Y\n";
    out << "sg(X,Y)<-par(X,A),sg(A,B),par(Y,B)\n";
    out << "\npar(C,P)\n";
    const std::int64_t nodes = (std::int64_t{1} << (depth + 1)) - 1;
    for (int tree = 0; tree < trees; ++tree) {
        const std::int64_t offset = tree * nodes;
        for (std::int64_t child = 2; child <= nodes; ++child) {
            out << offset + child << ',' << offset + child / 2 << '\n';
        }
    }
}

// Mostly local edges (the far end at most `window` nodes ahead, wrapping around), one in ten
// between any two nodes; each edge points either way.
void writeTriangles(Output& out, std::int64_t nodes, std::int64_t edges, std::int64_t window) {
    out << "tri(X,Y,Z)<-e(X,Y),e(Y,Z),e(Z,X),X<Y,Y<Z\n";
    out << "\ne(A,B)\n";
    Random random(0x3a9e1ULL);
    PairSet seen;
    for (std::int64_t written = 0; written < edges;) {
        std::int64_t from = 1 + random.below(nodes);
        std::int64_t to = random.percent(90) ? 1 + (from + random.below(window)) % nodes
                                             : 1 + random.below(nodes);
        if (random.percent(50)) std::swap(from, to);
        if (from == to || !seen.insert(from, to)) continue;
        out << from << ',' << to << '\n';
        ++written;
    }
}

// Each person lives in one of 1000 cities, of which the first 500 have a row in city.
void writeStrings(Output& out, std::int64_t persons) {
    constexpr std::int64_t kCities = 1000;
    constexpr std::int64_t kListedCities = 500;
    constexpr std::int64_t kCountries = 50;
    out << "senior(N,C)<-person(N,C,A),A>=65,C<'city5'\n";
    out << "lives(N,K)<-person(N,C,A),city(C,K)\n";
    out << "\nperson(Name,City,Age)\n";
    Random random(0x5719a5ULL);
    for (std::int64_t i = 1; i <= persons; ++i) {
        const std::int64_t city = random.below(kCities);
        const std::int64_t age = random.below(100);
        out << "'name" << i << "','city" << city << "'," << age << '\n';
    }
    out << "\ncity(Name,Country)\n";
    for (std::int64_t city = 0; city < kListedCities; ++city) {
        out << "'city" << city << "','country" << random.below(kCountries) << "'\n";
    }
}

// Inclusion-based points-to analysis over independent modules of 100 variables and 20 allocated
// objects each, so the result grows in step with the number of modules. Variables and objects
// are numbered from 1 across all modules.
void writePointsTo(Output& out, std::int64_t modules) {
    constexpr std::int64_t kVariables = 100;
    constexpr std::int64_t kObjects = 20;
    constexpr std::int64_t kAssigns = 110;
    constexpr std::int64_t kLoads = 30;
    constexpr std::int64_t kStores = 30;
    out << "pt(V,O)<-new(V,O)\n";
    out << "pt(V,O)<-assign(V,W),pt(W,O)\n";
    out << "pt(V,O)<-load(V,B),pt(B,O1),hpt(O1,O)\n";
    out << "hpt(O1,O2)<-store(B,F),pt(B,O1),pt(F,O2)\n";
    Random random(0x9a7b0ULL);
    auto variable = [&random](std::int64_t module) {
        return module * kVariables + 1 + random.below(kVariables);
    };
    out << "\nnew(V,O)\n";
    for (std::int64_t module = 0; module < modules; ++module) {
        for (std::int64_t object = 0; object < kObjects; ++object) {
            out << variable(module) << ',' << module * kObjects + 1 + object << '\n';
        }
    }
    // Distinct pairs of distinct variables of one module, `perModule` of them in each.
    auto writePairs = [&](std::string_view header, std::int64_t perModule) {
        out << '\n' << header << '\n';
        PairSet seen;
        for (std::int64_t module = 0; module < modules; ++module) {
            for (std::int64_t written = 0; written < perModule;) {
                const std::int64_t first = variable(module);
                const std::int64_t second = variable(module);
                if (first == second || !seen.insert(first, second)) continue;
                out << first << ',' << second << '\n';
                ++written;
            }
        }
    };
    writePairs("assign(To,From)", kAssigns);
    writePairs("load(To,Base)", kLoads);
    writePairs("store(Base,From)", kStores);
}

// Rows mixing integers and strings, also within one column: every seventh score is a string,
// which no integer comparison accepts.
void writeScaleRows(Output& out, std::int64_t rows) {
    out << "passed(I,N,S)<-result(I,N,S),S>=50\n";
    out << "\nresult(Id,Name,Score)\n";
    Random random(0x5ca1eULL);
    for (std::int64_t i = 1; i <= rows; ++i) {
        out << i << ",'item" << i << "',";
        if (i % 7 == 0) {
            out << "'grade" << random.below(10) << "'\n";
        } else {
            out << random.below(100) << '\n';
        }
    }
}

// One row line of exactly `length` characters (at least 2): one string between two quotes.
void writeLongLine(Output& out, std::int64_t length) {
    out << "copy(X)<-long(X)\n";
    out << "\nlong(Text)\n'";
    const std::string block(1 << 16, 'x');
    for (std::int64_t left = std::max<std::int64_t>(length, 2) - 2; left > 0;) {
        const auto piece = std::min<std::int64_t>(left, static_cast<std::int64_t>(block.size()));
        out << std::string_view(block.data(), static_cast<std::size_t>(piece));
        left -= piece;
    }
    out << "'\n";
}

// Independent rules, each keeping one of ten stored values.
void writeManyRules(Output& out, std::int64_t rules) {
    for (std::int64_t i = 1; i <= rules; ++i) {
        out << 'r' << i << "(X)<-base(X),X=" << i % 10 << '\n';
    }
    out << "\nbase(X)\n";
    for (std::int64_t value = 0; value < 10; ++value) out << value << '\n';
}

// Reachability from the first node of a chain: each iteration adds one node.
void writeChainReach(Output& out, std::int64_t nodes) {
    out << "reach(X)<-start(X)\n";
    out << "reach(X)<-reach(Y),edge(Y,X)\n";
    out << "\nedge(A,B)\n";
    for (std::int64_t i = 1; i < nodes; ++i) out << i << ',' << i + 1 << '\n';
    out << "\nstart(A)\n1\n";
}

// A pipeline of copy rules r2(X)<-r1(X) ... over the stored r1, written last stage first. Each
// stage can only see the rows its input got in an earlier iteration, so the pipeline takes one
// iteration per stage whatever the order; this order keeps that so even for an evaluator that
// would let a rule see rows derived earlier in the same pass.
void writeRulePipeline(Output& out, std::int64_t stages) {
    constexpr std::int64_t kRows = 200;
    for (std::int64_t i = stages + 1; i >= 2; --i) {
        out << 'r' << i << "(X)<-r" << i - 1 << "(X)\n";
    }
    out << "\nr1(X)\n";
    for (std::int64_t value = 1; value <= kRows; ++value) out << value << '\n';
}

// A lower-case name for each number from 1 on, shortest first: a ... z, aa, ab, ...
void writeLetters(Output& out, std::int64_t number) {
    char letters[16];
    std::size_t length = 0;
    for (; number > 0; number = (number - 1) / 26) {
        letters[length++] = static_cast<char>('a' + (number - 1) % 26);
    }
    std::reverse(letters, letters + length);
    out << std::string_view(letters, length);
}

// Wide stored rows for loading: distinct identifiers and stock counts beyond 32 bits (an odd
// multiplier is a bijection modulo a power of two), a name from a quarter as many as there are
// rows, and a selective rule that keeps about one row in ten thousand.
void writeWideRows(Output& out, std::int64_t rows) {
    constexpr std::uint64_t kMask = (std::uint64_t{1} << 34) - 1;
    constexpr std::int64_t kCategories = 10;
    const std::int64_t names = std::max<std::int64_t>(rows / 4, 1);
    out << "pick(I,N)<-item(I,N,P,C,S),P<10,C='cat7'\n";
    out << "\nitem(Id,Name,Price,Category,Stock)\n";
    Random random(0x3d1de5ULL);
    for (std::int64_t i = 1; i <= rows; ++i) {
        const auto id =
            static_cast<std::int64_t>(1000000007ULL * static_cast<std::uint64_t>(i) & kMask);
        const auto stock =
            static_cast<std::int64_t>(2654435761ULL * static_cast<std::uint64_t>(i) & kMask);
        out << id << ",'";
        writeLetters(out, 1 + random.below(names));
        out << "'," << random.below(10000) << ",'cat" << random.below(kCategories) << "'," << stock
            << '\n';
    }
}

// Alias analysis with value flow, memory alias and value alias defined through each other, over
// independent modules of 100 variables, 80 assignments and 20 dereferences each; the graph of one
// module is sparse, so the derived rows grow in step with the number of modules. Variables are
// numbered from 1 across all modules.
void writeAliasAnalysis(Output& out, std::int64_t modules) {
    constexpr std::int64_t kVariables = 100;
    constexpr std::int64_t kAssigns = 80;
    constexpr std::int64_t kDerefs = 20;
    out << "vflow(X,Y)<-assign(X,Y)\n";
    out << "vflow(X,Y)<-assign(X,Z),assign(Y,Z),X=Y\n";
    out << "vflow(X,Y)<-assign(Z,X),assign(Z,Y),X=Y\n";
    out << "vflow(X,Y)<-assign(X,Z),malias(Z,Y)\n";
    out << "vflow(X,Y)<-vflow(X,Z),vflow(Z,Y)\n";
    out << "malias(X,Y)<-deref(P,X),valias(P,Q),deref(Q,Y)\n";
    out << "valias(X,Y)<-vflow(Z,X),vflow(Z,Y)\n";
    out << "valias(X,Y)<-vflow(Z,X),malias(Z,W),vflow(W,Y)\n";
    Random random(0xa11a5ULL);
    auto writePairs = [&](std::string_view header, std::int64_t perModule) {
        out << '\n' << header << '\n';
        PairSet seen;
        for (std::int64_t module = 0; module < modules; ++module) {
            for (std::int64_t written = 0; written < perModule;) {
                const std::int64_t first = module * kVariables + 1 + random.below(kVariables);
                const std::int64_t second = module * kVariables + 1 + random.below(kVariables);
                if (first == second || !seen.insert(first, second)) continue;
                out << first << ',' << second << '\n';
                ++written;
            }
        }
    };
    writePairs("assign(To,From)", kAssigns);
    writePairs("deref(Pointer,Target)", kDerefs);
}

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
        "usage: dedb-generate WORKLOAD S|M|L\n"
        "  WORKLOAD: tc-chain tc-random tc-nonlinear-chain same-generation triangles strings\n"
        "            points-to scale-rows long-line many-rules chain-reach rule-pipeline\n"
        "            wide-rows alias-analysis\n"
        "  a number instead of S|M|L gives that size: nodes, rows, modules or rules as the\n"
        "  workload counts them; for same-generation, the depth of one tree (1 to 20)\n",
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
