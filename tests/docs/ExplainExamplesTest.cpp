#include <gtest/gtest.h>

#include <string>

#include "explain/Explainer.h"
#include "tests/docs/MarkedBlocks.h"
#include "tests/driver/RunDedb.h"

namespace {

const std::string kSource = DEDB_SOURCE_DIR;

// A block marked "<!-- explain: ROW -->" is an input and what --explain ROW prints for it, as
// the documents show them.
TEST(ExplainExamples, DocumentsShowWhatExplainPrints) {
    std::size_t shown = 0;
    for (const char* document : {"README.md", "docs/LANGUAGE.md"}) {
        const std::string text = readFileBytes(kSource + "/" + document);
        for (const MarkedBlocks& example : findMarkedBlocks(text, "explain: ", 2)) {
            ++shown;
            ASSERT_EQ(example.problem, "") << document << " line " << example.line;
            const ExplainResult result =
                explainOnText(example.blocks[0], {.row = example.marker, .inputPath = "input.txt"});
            EXPECT_EQ(result.output, example.blocks[1]) << document << " line " << example.line;
        }
    }
    EXPECT_GE(shown, 3u);
}

// The manual page's example: the family tree it shows, explained, in roff's escapes.
TEST(ExplainExamples, ManualPageShowsWhatExplainPrints) {
    const std::string family =
        "ancestor(X,Y)<-parent(X,Y)\n"
        "ancestor(X,Y)<-parent(X,Z),ancestor(Z,Y)\n"
        "sibling(X,Y)<-parent(P,X),parent(P,Y),X<Y\n"
        "\n"
        "parent(P,C)\n"
        "'Anna','Bela'\n"
        "'Anna','Cili'\n"
        "'Bela','Dora'\n";
    const ExplainResult result =
        explainOnText(family, {.row = "ancestor('Anna','Dora')", .inputPath = "family.txt"});
    ASSERT_EQ(result.status, 0);
    std::string roff;
    for (const char c : result.output) {
        if (c == '\'') {
            roff += "\\(aq";
        } else if (c == '-') {
            roff += "\\-";
        } else {
            roff += c;
        }
    }
    const std::string page = readFileBytes(kSource + "/docs/dedb.1");
    EXPECT_NE(page.find(roff), std::string::npos) << roff;
}

}  // namespace
