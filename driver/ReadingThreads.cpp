#include "driver/ReadingThreads.h"

namespace {

// With three threads and more, reading in blocks pays whatever the input. With two, what stays
// on the calling thread (splitting and echoing the lines, inserting the rows) and what sharing
// out adds (copying the lines, sorting the values by shard, a second pass over them) leave
// about as much to gain as to lose, and only a large input gains: wide-rows L (168 MB) was read
// and run in 1.16 s instead of 1.54, strings M (26 MB) in 0.241 instead of 0.258, while
// chain-reach L (5 MB), whose values are small integers with nothing to intern, took 0.099 s
// instead of 0.092.
constexpr std::size_t kFewestThreadsForAnyInput = 3;
constexpr std::uint64_t kFewestBytesOnTwoThreads = std::uint64_t{16} << 20;

}  // namespace

bool isReadOnAllThreads(std::size_t threads, std::uint64_t inputBytes) {
    if (threads >= kFewestThreadsForAnyInput) return true;
    return threads == 2 && inputBytes != kUnknownInputSize &&
           inputBytes >= kFewestBytesOnTwoThreads;
}
