#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "check/Checker.h"

namespace {

// The text --check would print for the input, as file "in".
std::string checked(const std::string& input) {
    InputLines lines;
    lines.openText(input);
    Diagnostics diagnostics;
    EXPECT_TRUE(checkInput(lines, diagnostics));
    return diagnostics.text("in");
}

// "LINE:COLUMN" of every warning, in the order printed.
std::vector<std::string> warningPlaces(const std::string& input) {
    std::vector<std::string> places;
    std::istringstream text(checked(input));
    for (std::string line; std::getline(text, line);) {
        const std::size_t kind = line.find(": warning: ");
        if (kind != std::string::npos) places.push_back(line.substr(3, kind - 3));
    }
    return places;
}

struct MistakeCase {
    const char* label;
    std::string input;
    std::vector<std::string> places;
};

// Each input holds one mistake (a few hold its consequences too); the checker must point at
// where its text stands.
TEST(CheckFindings, PointAtTheMistake) {
    const std::string edges = "\n\nedge(A,B)\n1,2\n";
    const std::vector<MistakeCase> cases = {
        {"later head differs",
         "dep(A,B)<-depends(A,B)\ndep(A,C)<-depends(A,B),dep(B,C)\n\ndepends(A,B)\n1,2\n",
         {"2:5"}},
        {"unbound head variable", "p(X,W)<-edge(X,Y)" + edges, {"1:5"}},
        {"constant in a head", "p(1)<-edge(X,Y)" + edges, {"1:3"}},
        {"unknown name", "p(X)<-Edge(X,Y)" + edges, {"1:7"}},
        {"negation", "p(X)<-edge(X,Y),!edge(Y,X)" + edges, {"1:17"}},
        {"wrong arity", "p(X)<-edge(X,Y,Z)" + edges, {"1:7"}},
        {"negative constant", "p(X)<-edge(X,Y),X>-5" + edges, {"1:19"}},
        {"constant on the left", "p(X)<-edge(X,Y),2<X" + edges, {"1:17"}},
        {"not equal", "p(X)<-edge(X,Y),X!=Y" + edges, {"1:17"}},
        {"arithmetic", "p(X)<-edge(X,Y),Y=X+1" + edges, {"1:19"}},
        {"comparison of an unbound variable", "p(X)<-edge(X,Y),Z<5" + edges, {"1:17"}},
        {"lowercase constant", "p(X)<-edge(X,openssl)" + edges, {"1:14"}},
        {"wildcard in two references", "p(X)<-edge(X,_),edge(_,X)" + edges, {"1:22"}},
        {"blank after a comma", "p(X)<-edge(X,Z), edge(Z,X)" + edges, {"1:17", "1:17"}},
        {"blank after the arrow", "p(X)<- edge(X,Y)" + edges, {"1:7", "1:7"}},
        {"blank in a variable", "p(X)<-edge(X ,Y)" + edges, {"1:3", "1:13"}},
        {"blank before the arrow", "p <-edge(X,Y)" + edges, {"1:2"}},
        {"no arrow", "p(X)" + edges, {"1:1"}},
        {"other arrow", "p(X):-edge(X,Y)" + edges, {"1:5"}},
        {"full stop", "p(X)<-edge(X,Y)." + edges, {"1:16"}},
        {"comment", "% closure\np(X)<-edge(X,Y)" + edges, {"1:1"}},
        {"byte order mark", "\xEF\xBB\xBFp(X)<-edge(X,Y)" + edges, {"1:1"}},
        {"rules after an empty line", "p(X)<-edge(X,Y)\n\nq(X)<-p(X)\nr(X)<-q(X)" + edges, {"3:1"}},
        {"stored relation named as a rule", "edge(X,Y)<-edge(Y,X)" + edges, {"1:1"}},
        {"either shape of a shared name",
         "e(X)<-n(X)\nq(X)<-e(X,Y),e(X)\n\ne(A,B)\n1,2\n\nn(A)\n1\n",
         {"1:1"}},
        {"double quotes", "p(X)<-e(X,Y)\n\ne(A,B)\n\"app\",'web'\n", {"4:1"}},
        {"blank after a comma in a row", "p(X)<-e(X,Y)\n\ne(A,B)\n'app', 'web'\n", {"4:7"}},
        {"trailing blank", "p(X)<-e(X,Y)\n\ne(A,B)\n1,2 \n", {"4:3"}},
        {"unclosed quote", "p(X)<-e(X,Y)\n\ne(A,B)\n1,'tls\n", {"4:3"}},
        {"decimal point", "p(X)<-e(X,Y)\n\ne(A,B)\n3.50,1\n", {"4:1"}},
        {"empty field", "p(X)<-e(X,Y)\n\ne(A,B)\n1,\n", {"4:3"}},
        {"tab", "p(X)<-e(X,Y)\n\ne(A,B)\n1\t2\n", {"4:2"}},
        {"too many fields", "p(X)<-e(X,Y)\n\ne(A,B)\n1,2,3\n", {"4:1"}},
        {"comma inside quotes", "p(X)<-e(X,Y)\n\ne(A,B)\n'a,b',1\n", {"4:1", "4:1", "4:4"}},
    };
    for (const MistakeCase& c : cases) {
        EXPECT_EQ(warningPlaces(c.input), c.places) << c.label << "\n" << checked(c.input);
    }
}

// What is merely unusual is not reported.
TEST(CheckFindings, WellFormedProgramsAreSilent) {
    const std::vector<std::string> clean = {
        "path(X,Y)<-edge(X,Y)\npath(X,Y)<-edge(X,Z),path(Z,Y)\n\nedge(A,B)\n1,2\n2,3\n",
        "p(X,N)<-e(X),N='n'\nq(X)<-e(X),X>=2,X<'z'\n\ne(A)\n-1\n+2\n'a'\n",
        "p()<-e(X)\nq(X)<-e(X),p()\n\ne(A)\n1\n",
        "p(X)<-e(X,Y),e(Y,X),X<Y\n\ne(A,B)\n1,2\n",
        "p(X) <-e(X,X)\n\ne(A,B)\n1,1\n",
        "p(X)<-e(X,_)\n\ne(A,B)\n1,1\n",
        "",
        "\n\n",
    };
    for (const std::string& input : clean) EXPECT_EQ(checked(input), "") << input;
}

}  // namespace
