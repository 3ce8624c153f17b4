#include "bench/Workloads.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <utility>

namespace {

void writeTransitiveClosureRules(Output& out, bool isLinear) {
    out << "path(X,Y)<-edge(X,Y)\n";
    out << (isLinear ? "path(X,Y)<-edge(X,Z),path(Z,Y)\n" : "path(X,Y)<-path(X,Z),path(Z,Y)\n");
    out << "\nedge(A,B)\n";
}

}  // namespace

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

namespace {

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

}  // namespace

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
