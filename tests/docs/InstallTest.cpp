#include <gtest/gtest.h>

#include <string>

#include "driver/Messages.h"
#include "tests/docs/ShellRun.h"
#include "tests/driver/RunDedb.h"

namespace {

const std::string kSource = DEDB_SOURCE_DIR;

TEST(Install, PutsProgramManualPageAndReferenceUnderThePrefix) {
    const ScratchDirectory scratch;
    const std::string prefix = scratch.path("prefix");
    const ShellRun install =
        runShell(shellQuoted(DEDB_CMAKE_COMMAND) + " --install " + shellQuoted(DEDB_BUILD_DIR) +
                 " --prefix " + shellQuoted(prefix));
    ASSERT_EQ(install.exitStatus, 0) << install.standardError;

    const ShellRun installed = runShell(shellQuoted(prefix + "/bin/dedb"));
    EXPECT_EQ(installed.exitStatus, 1);
    EXPECT_EQ(installed.standardError, std::string(kBadArgumentsMessage) + "\n");
    EXPECT_EQ(readFileBytes(prefix + "/share/man/man1/dedb.1"),
              readFileBytes(kSource + "/docs/dedb.1"));
    EXPECT_EQ(readFileBytes(prefix + "/share/doc/dedb/LANGUAGE.md"),
              readFileBytes(kSource + "/docs/LANGUAGE.md"));
    EXPECT_EQ(readFileBytes(prefix + "/share/doc/dedb/examples/family/expected.txt"),
              readFileBytes(kSource + "/examples/family/expected.txt"));
    // What the reference points at is installed with it, and so is the license.
    for (const char* folder :
         {"crlf-line-ends", "no-final-line-end-after-row", "long-lines-read-whole"}) {
        EXPECT_EQ(readFileBytes(prefix + "/share/doc/dedb/line-ends/" + folder + "/input.txt"),
                  readFileBytes(kSource + "/tests/e2e/" + folder + "/input.txt"))
            << folder;
    }
    EXPECT_EQ(readFileBytes(prefix + "/share/doc/dedb/copyright"),
              readFileBytes(kSource + "/LICENSE"));
}

}  // namespace
