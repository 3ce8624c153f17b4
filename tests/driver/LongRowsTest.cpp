#include <gtest/gtest.h>

#include <string>

#include "tests/driver/RunDedb.h"

namespace {

// Rows longer than the loader's batches and the output's chunks are read where they stand and
// written as they are; the bytes must be what short rows would give.
TEST(LongRows, LoadAndPrintLikeShortOnes) {
    const std::string big(3 << 20, 'x');
    const std::string other(1 << 20, 'y');
    std::string input = "copy(A,B,C,D,E,F)<-long(A,B,C,D,E,F)\n\nlong(A,B,C,D,E,F)\n";
    const std::string rows[] = {
        "'" + big + "',7,'','" + other + "',-3,'\n",  // a lone quote is the empty string
        "'" + big + "',7,'','" + other + "',-3,'\n",  // the same row again: no second copy
        "1,'" + big + "z',2,3,4,'short'\n",
        "1,'a',2,3,4,'short'\n",
    };
    for (const std::string& row : rows) input += row;
    const std::string expected = input + "\ncopy(A,B,C,D,E,F)\n" + "'" + big + "',7,'','" + other +
                                 "',-3,''\n" + "1,'" + big + "z',2,3,4,'short'\n" +
                                 "1,'a',2,3,4,'short'\n\n";
    ScratchDirectory folder;
    writeFileBytes(folder.path("in.txt"), input);
    const DedbRun run = runDedb({folder.path("in.txt"), folder.path("out.txt")});
    ASSERT_EQ(run.exitStatus, 0) << run.standardError;
    const std::string output = readFileBytes(folder.path("out.txt"));
    ASSERT_EQ(output.size(), expected.size());
    EXPECT_TRUE(output == expected);
}

}  // namespace
