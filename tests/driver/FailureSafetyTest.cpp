// A run that fails or is interrupted leaves every file it was given as it was: the result only
// replaces the output once it is complete, and nothing else is left in the folder.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <string>
#include <thread>
#include <vector>

#include "tests/driver/RunDedb.h"

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kHasAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kHasAddressSanitizer = true;
#else
constexpr bool kHasAddressSanitizer = false;
#endif
#else
constexpr bool kHasAddressSanitizer = false;
#endif

const std::string kOutOfMemory = "Nincs el\xE9g mem\xF3ria.\n";
const std::string kOutputWrite = "Nem siker\xFClt az output file-t \xEDrni.\n";
const std::string kProgram = "p(X)<-e(X)\n\ne(A)\n1\n";
const std::string kProgramOutput = "p(X)<-e(X)\n\ne(A)\n1\n\np(X)\n1\n\n";
constexpr unsigned long long kAddressLimit = 128ull << 20;

std::string numberBlock(const std::string& name, int count) {
    std::string text = "\n" + name + "(A)\n";
    for (int i = 0; i < count; ++i) text += std::to_string(i) + "\n";
    return text;
}

// A billion three-column rows: far more memory than the limit allows.
std::string crossProductProgram() { return "p(X,Y,Z)<-e(X),e(Y),e(Z)\n" + numberBlock("e", 1000); }

// Needs memory only to hold its input: one row line far longer than the limit.
std::string hugeLineProgram() {
    return "p(X)<-e(X)\n\ne(A)\n'" + std::string(kAddressLimit, 'x') + "\n";
}

// Four references over 200 rows: a minute of work in constant memory.
std::string longRunningProgram() {
    std::string text = "p(X)<-a(X),b(Y),c(Z),d(W)\n";
    for (const char* name : {"a", "b", "c", "d"}) text += numberBlock(name, 200);
    return text;
}

struct FailingRun {
    const char* name;
    std::string (*program)();
    bool isOutputTheInput;
};

const FailingRun kOutOfMemoryRuns[] = {
    {"evaluation, output names the input", &crossProductProgram, true},
    {"evaluation, output is an earlier result", &crossProductProgram, false},
    {"reading, output is an earlier result", &hugeLineProgram, false},
};

TEST(FailureSafety, OutOfMemoryIsReportedAndLeavesTheFilesAsTheyWere) {
    if (kHasAddressSanitizer) GTEST_SKIP() << "the address sanitizer needs unlimited address space";
    // With threads, a worker that runs out of memory ends the run the same way.
    for (const auto& [failing, jobs] :
         {std::pair{kOutOfMemoryRuns[0], "1"}, std::pair{kOutOfMemoryRuns[1], "1"},
          std::pair{kOutOfMemoryRuns[2], "1"}, std::pair{kOutOfMemoryRuns[0], "3"},
          std::pair{kOutOfMemoryRuns[1], "3"}}) {
        const ScratchDirectory scratch;
        const std::string input = scratch.path("in.txt");
        const std::string program = failing.program();
        writeFileBytes(input, program);
        const std::string output = failing.isOutputTheInput ? input : scratch.path("out.txt");
        if (!failing.isOutputTheInput) writeFileBytes(output, "an earlier result");
        const std::vector<std::string> before = folderEntries(scratch.path(""));

        const DedbRun run = runDedbWithLimits({"-j", jobs, input, output}, {kAddressLimit, 60});
        EXPECT_EQ(run.exitStatus, 1) << failing.name << ", " << jobs << " threads";
        EXPECT_EQ(run.standardError, kOutOfMemory) << failing.name << ", " << jobs << " threads";
        EXPECT_TRUE(readFileBytes(input) == program) << failing.name;
        if (!failing.isOutputTheInput) {
            EXPECT_EQ(readFileBytes(output), "an earlier result") << failing.name;
        }
        EXPECT_EQ(folderEntries(scratch.path("")), before) << failing.name;
    }
}

// Waits until dedb has made its temporary file, that is, until it is past opening the output.
bool waitForTemporaryFile(const std::string& folder, std::size_t entriesBefore) {
    for (int attempt = 0; attempt < 1000; ++attempt) {
        if (folderEntries(folder).size() > entriesBefore) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

TEST(FailureSafety, InterruptedRunLeavesTheFilesAsTheyWere) {
    const std::string program = longRunningProgram();
    for (const auto& [signalNumber, jobs] :
         {std::pair{SIGTERM, "1"}, std::pair{SIGINT, "1"}, std::pair{SIGHUP, "1"},
          std::pair{SIGTERM, "3"}, std::pair{SIGINT, "3"}}) {
        for (const bool isOutputTheInput : {true, false}) {
            const ScratchDirectory scratch;
            const std::string input = scratch.path("in.txt");
            writeFileBytes(input, program);
            const std::string output = isOutputTheInput ? input : scratch.path("out.txt");
            if (!isOutputTheInput) writeFileBytes(output, "an earlier result");
            const std::vector<std::string> before = folderEntries(scratch.path(""));

            DedbProcess process({"-j", jobs, input, output}, {0, 120});
            ASSERT_TRUE(waitForTemporaryFile(scratch.path(""), before.size()));
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            process.sendSignal(signalNumber);
            const DedbRun run = process.wait();
            EXPECT_EQ(run.endingSignal, signalNumber) << signalNumber;
            EXPECT_TRUE(readFileBytes(input) == program) << signalNumber;
            if (!isOutputTheInput) {
                EXPECT_EQ(readFileBytes(output), "an earlier result") << signalNumber;
            }
            EXPECT_EQ(folderEntries(scratch.path("")), before) << signalNumber;
        }
    }
}

TEST(FailureSafety, WriteBeyondFileSizeLimitLeavesTheOutputAsItWas) {
    const ScratchDirectory scratch;
    const std::string input = scratch.path("in.txt");
    writeFileBytes(input, kProgram);
    const std::string earlier = scratch.path("earlier.txt");
    writeFileBytes(earlier, "an earlier result");
    const std::string fresh = scratch.path("fresh.txt");
    for (const std::string& output : {earlier, fresh, input}) {
        const DedbRun run = runDedbWithoutFileSpace({input, output});
        EXPECT_EQ(run.exitStatus, 1) << output;
        EXPECT_EQ(run.standardError, kOutputWrite) << output;
    }
    EXPECT_EQ(readFileBytes(input), kProgram);
    EXPECT_EQ(readFileBytes(earlier), "an earlier result");
    EXPECT_EQ(folderEntries(scratch.path("")), (std::vector<std::string>{"earlier.txt", "in.txt"}));
}

// Results large enough to be formatted in blocks by several threads: a write that fails between
// blocks fails the run just the same.
TEST(FailureSafety, WriteFailingOnAnyThreadLeavesTheOutputAsItWas) {
    std::string program = "path(X,Y)<-edge(X,Y)\npath(X,Y)<-edge(X,Z),path(Z,Y)\n\nedge(A,B)\n";
    for (int node = 0; node < 400; ++node) {
        program += std::to_string(node) + "," + std::to_string(node + 1) + "\n";
    }
    const ScratchDirectory scratch;
    const std::string input = scratch.path("in.txt");
    writeFileBytes(input, program);
    const std::string output = scratch.path("out.txt");
    writeFileBytes(output, "an earlier result");
    for (const char* jobs : {"1", "2", "3"}) {
        // Room for the echo and some of the 80,200 rows, not for all of them.
        const DedbRun run =
            runDedbWithLimits({"-j", jobs, input, output}, {.fileSizeBytes = 256 << 10});
        EXPECT_EQ(run.exitStatus, 1) << jobs;
        EXPECT_EQ(run.standardError, kOutputWrite) << jobs;
    }
    EXPECT_EQ(readFileBytes(output), "an earlier result");
    EXPECT_EQ(folderEntries(scratch.path("")), (std::vector<std::string>{"in.txt", "out.txt"}));
}

mode_t permissionsOf(const std::string& path) {
    struct stat status {};
    stat(path.c_str(), &status);
    return status.st_mode & 07777;
}

TEST(FailureSafety, ReplacedOutputKeepsItsPermissionBits) {
    for (const mode_t permissions : {0600, 0640, 0754}) {
        const ScratchDirectory scratch;
        const std::string input = scratch.path("in.txt");
        const std::string output = scratch.path("out.txt");
        writeFileBytes(input, kProgram);
        writeFileBytes(output, "old");
        chmod(output.c_str(), permissions);
        EXPECT_EQ(runDedb({input, output}).exitStatus, 0);
        EXPECT_EQ(readFileBytes(output), kProgramOutput);
        EXPECT_EQ(permissionsOf(output), permissions);
    }
}

TEST(FailureSafety, NewOutputGetsTheUsualModeUnderTheUmask) {
    const ScratchDirectory scratch;
    const std::string input = scratch.path("in.txt");
    writeFileBytes(input, kProgram);
    const mode_t previous = umask(027);
    const DedbRun run = runDedb({input, scratch.path("out.txt")});
    umask(previous);
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(permissionsOf(scratch.path("out.txt")), 0640u);
}

TEST(FailureSafety, SymbolicLinkOutputWritesItsTargetAndStaysALink) {
    const ScratchDirectory scratch;
    const std::string input = scratch.path("in.txt");
    writeFileBytes(input, kProgram);
    mkdir(scratch.path("results").c_str(), 0755);
    writeFileBytes(scratch.path("results/real.txt"), "old");
    // A relative link, a link to a link, and a link whose target does not exist yet.
    symlink("results/real.txt", scratch.path("link.txt").c_str());
    symlink("link.txt", scratch.path("link-to-link.txt").c_str());
    symlink("results/new.txt", scratch.path("dangling.txt").c_str());
    for (const char* link : {"link.txt", "link-to-link.txt", "dangling.txt"}) {
        EXPECT_EQ(runDedb({input, scratch.path(link)}).exitStatus, 0) << link;
        struct stat status {};
        lstat(scratch.path(link).c_str(), &status);
        EXPECT_TRUE(S_ISLNK(status.st_mode)) << link;
        EXPECT_EQ(readFileBytes(scratch.path(link)), kProgramOutput) << link;
    }
    EXPECT_EQ(folderEntries(scratch.path("results")),
              (std::vector<std::string>{"new.txt", "real.txt"}));
}

// /dev/stdout names the descriptor the caller opened: written through it, not replaced.
TEST(FailureSafety, StandardOutputIsWrittenDirectly) {
    const ScratchDirectory scratch;
    const std::string input = scratch.path("in.txt");
    writeFileBytes(input, kProgram);
    const std::string command = std::string("'") + DEDB_BINARY + "' '" + input +
                                "' /dev/stdout > '" + scratch.path("redirected.txt") + "'";
    EXPECT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(readFileBytes(scratch.path("redirected.txt")), kProgramOutput);
    EXPECT_EQ(folderEntries(scratch.path("")),
              (std::vector<std::string>{"in.txt", "redirected.txt"}));
}

}  // namespace
