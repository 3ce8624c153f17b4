#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "driver/OutputFile.h"
#include "driver/OutputTarget.h"
#include "tests/driver/RunDedb.h"

namespace {

using Kind = OutputTarget::Kind;

TEST(OutputTargetKind, FollowsWhatTheNameStandsFor) {
    const ScratchDirectory scratch;
    writeFileBytes(scratch.path("file.txt"), "x");
    mkdir(scratch.path("folder").c_str(), 0755);
    symlink("file.txt", scratch.path("link").c_str());
    symlink("loop-b", scratch.path("loop-a").c_str());
    symlink("loop-a", scratch.path("loop-b").c_str());
    struct Case {
        std::string path;
        Kind kind;
        std::string replaced;  // for Replaced: the file that is replaced
    };
    const Case cases[] = {
        {scratch.path("file.txt"), Kind::Replaced, scratch.path("file.txt")},
        {scratch.path("new.txt"), Kind::Replaced, scratch.path("new.txt")},
        {scratch.path("link"), Kind::Replaced, scratch.path("file.txt")},
        {scratch.path("folder"), Kind::Unusable, ""},
        {scratch.path("folder/"), Kind::Unusable, ""},
        {scratch.path("missing/"), Kind::Unusable, ""},
        {scratch.path("file.txt/inside"), Kind::Unusable, ""},
        {scratch.path("loop-a"), Kind::Unusable, ""},
        {scratch.path("."), Kind::Unusable, ""},
        {"", Kind::Unusable, ""},
        {"/dev/null", Kind::Direct, ""},
        {"/dev/stdout", Kind::Direct, ""},
        {"/dev/fd/2", Kind::Direct, ""},
    };
    for (const Case& expected : cases) {
        const OutputTarget target = findOutputTarget(expected.path);
        EXPECT_EQ(target.kind, expected.kind) << expected.path;
        if (expected.kind == Kind::Replaced) {
            // A link's target is reached through the link's folder, so compare real files.
            EXPECT_EQ(folderEntries(folderOf(target.path)), folderEntries(scratch.path("")));
            EXPECT_EQ(target.path.substr(target.path.rfind('/')),
                      expected.replaced.substr(expected.replaced.rfind('/')))
                << expected.path;
        }
    }
}

TEST(OutputTargetFolder, IsThePartBeforeTheLastSlash) {
    EXPECT_EQ(folderOf("out.txt"), ".");
    EXPECT_EQ(folderOf("/out.txt"), "/");
    EXPECT_EQ(folderOf("a/b/out.txt"), "a/b");
    EXPECT_EQ(folderOf("a/"), "a");
}

}  // namespace

namespace {

// An output of many mebibytes is sent to the disk in pieces while it is written; the file that
// replaces the old one holds every byte, in order, and nothing else is left in the folder.
TEST(OutputFileReplacement, LargeOutputArrivesWhole) {
    const ScratchDirectory scratch;
    const std::string path = scratch.path("out.txt");
    writeFileBytes(path, "old output");
    std::string expected;
    {
        OutputFile output;
        ASSERT_TRUE(output.open(path.c_str()));
        for (int piece = 0; piece < 700; ++piece) {
            const std::string text(30000 + piece, static_cast<char>('a' + piece % 26));
            output.write(text);
            expected += text;
        }
        EXPECT_EQ(readFileBytes(path), "old output");  // replaced only once complete
        ASSERT_TRUE(output.close());
    }
    ASSERT_GT(expected.size(), std::size_t{20} << 20);
    EXPECT_TRUE(readFileBytes(path) == expected);
    EXPECT_EQ(folderEntries(scratch.path("")), std::vector<std::string>{"out.txt"});
}

}  // namespace
