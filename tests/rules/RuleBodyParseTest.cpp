#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "data/ValueText.h"
#include "rules/RuleBody.h"
#include "tests/TestNames.h"

namespace {

// One line per element, references first, then variable comparisons, then constant
// comparisons, each list in its own order. Names are bracketed so that blanks and commas in
// them show; constants appear in their text form (5 or '5').
//   reference:           ref[name]([X],5,'a')
//   variable comparison: attr[left] code [right]
//   constant comparison: data[left] code constant
std::vector<std::string> describe(const RuleBody& body) {
    std::vector<std::string> lines;
    for (const RuleRelationElement& reference : body.getRelationElements()) {
        std::string line = "ref[" + reference.getName() + "](";
        for (std::size_t i = 0; i < reference.getColumnCount(); ++i) {
            const RuleColumn column = reference.getColumn(i);
            if (i > 0) line += ",";
            if (column.getName().empty()) {
                appendValueText(line, column.getValue());
            } else {
                line += '[';
                line += column.getName();
                line += ']';
            }
        }
        lines.push_back(line + ")");
    }
    for (const RuleFilterAttribute& filter : body.getAttributeFilters()) {
        lines.push_back("attr[" + filter.getLeft() + "] " +
                        std::to_string(static_cast<int>(filter.getOp())) + " [" +
                        filter.getRight() + "]");
    }
    for (const RuleFilterData& filter : body.getDataFilters()) {
        std::string line = "data[" + filter.getLeft() + "] " +
                           std::to_string(static_cast<int>(filter.getOp())) + " ";
        appendValueText(line, filter.getValue());
        lines.push_back(line);
    }
    return lines;
}

struct ParseCase {
    const char* text;
    std::vector<std::string> elements;
};

void PrintTo(const ParseCase& c, std::ostream* os) { *os << "[" << c.text << "]"; }

class RuleBodyParse : public testing::TestWithParam<ParseCase> {};

TEST_P(RuleBodyParse, YieldsElementsByTheSplittingRules) {
    EXPECT_EQ(describe(RuleBody(GetParam().text)), GetParam().elements)
        << "body text: [" << GetParam().text << "]";
}

INSTANTIATE_TEST_SUITE_P(
    TrickyTexts, RuleBodyParse,
    testing::Values(
        ParseCase{"", {}},
        ParseCase{"r(X,Y),X<5,s(Y,'abc')", {"ref[r]([X],[Y])", "ref[s]([Y],'abc')", "data[X] 0 5"}},
        // Operator codes, with variables and with constants.
        ParseCase{
            "X<Y,X<=Y,X=Y,X>Y,X>=Y",
            {"attr[X] 0 [Y]", "attr[X] 1 [Y]", "attr[X] 2 [Y]", "attr[X] 3 [Y]", "attr[X] 4 [Y]"}},
        ParseCase{"X<1,X<=2,X=3,X>4,X>=5",
                  {"data[X] 0 1", "data[X] 1 2", "data[X] 2 3", "data[X] 3 4", "data[X] 4 5"}},
        ParseCase{"X==5", {"data[X] 2 5"}}, ParseCase{"X=<5", {"attr[X] 2 [<5]"}},
        ParseCase{"5<X", {"attr[5] 0 [X]"}}, ParseCase{"=5", {"data[] 2 5"}},
        // Integer constants: leading zeros, empty text, no sign, saturation.
        ParseCase{"N=007", {"data[N] 2 7"}}, ParseCase{"N=", {"data[N] 2 0"}},
        ParseCase{"N=-5", {"attr[N] 2 [-5]"}},
        ParseCase{"N=99999999999999999999", {"data[N] 2 9223372036854775807"}},
        ParseCase{"r(99999999999999999999)", {"ref[r](9223372036854775807)"}},
        ParseCase{"r(5,'5',-5, 5)", {"ref[r](5,'5',[-5],[ 5])"}},
        // Quotes protect commas, parentheses and comparison characters.
        ParseCase{"X='a,b(c)'", {"data[X] 2 'a,b(c)'"}},
        ParseCase{"r('a)',X),s(Y)", {"ref[r]('a)',[X])", "ref[s]([Y])"}},
        ParseCase{"r('a,b',X)", {"ref[r]('a,b',[X])"}}, ParseCase{"r('')", {"ref[r]('')"}},
        // Commas separate only once the element's kind is known.
        ParseCase{"a,r(X)", {"ref[a,r]([X])"}}, ParseCase{"a,X<5", {"data[a,X] 0 5"}},
        ParseCase{"r(X),,s(Y)", {"ref[r]([X])", "ref[,s]([Y])"}},
        ParseCase{"r(X),", {"ref[r]([X])"}},
        ParseCase{"X=(a,b)", {"ref[b)]([b])", "attr[X] 2 [(a]"}},
        ParseCase{"r(a(b),c),s(X)", {"ref[r]([a(b])", "ref[c)]([c])", "ref[s]([X])"}},
        ParseCase{"r(X<5)", {"ref[r]([X<5])"}},
        // Arguments.
        ParseCase{"r()", {"ref[r]()"}}, ParseCase{"r(X,)", {"ref[r]([X])"}},
        ParseCase{"r(,X)", {"ref[r](0,[X])"}}, ParseCase{"r(X,,Y)", {"ref[r]([X],[,Y])"}},
        // Blanks belong to names; the argument text always loses its last character.
        ParseCase{"r( X)", {"ref[r]([ X])"}},
        ParseCase{"r(X), s(X)", {"ref[r]([X])", "ref[ s]([X])"}},
        ParseCase{"r(X) ", {"ref[r]([X)])"}},
        // Text that ends while an element is still open.
        ParseCase{"r(X),abc", {"ref[r]([X])", "ref[abc]()"}},
        ParseCase{"r(X),,", {"ref[r]([X])", "ref[,]()"}}, ParseCase{",,", {"ref[,,]()"}},
        ParseCase{"   ", {"ref[   ]()"}}, ParseCase{"e(Y", {"ref[e]()"}},
        ParseCase{"r(X,Y", {"ref[r]([X])"}}, ParseCase{"X='a", {"data[X] 2 ''"}},
        ParseCase{"r('a", {"ref[r]('')"}}),
    namedAfter(&ParseCase::text));

TEST(RuleBodyParseOrder, KindsDoNotRecordTheirRelativeOrder) {
    EXPECT_EQ(describe(RuleBody("r(X),X>1")), describe(RuleBody("X>1,r(X)")));
}

}  // namespace
