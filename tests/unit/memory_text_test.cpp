#include "core/memory_text.h"

#include <gtest/gtest.h>

using zovaz::FormatKilobytes;
using zovaz::FormatMemoryLoad;

namespace {

const std::string kNoBreakSpace = "\u00a0";  // how cs_CZ.UTF-8 groups digits

TEST(FormatKilobytes, GroupsThousandsWithTheGivenSeparator) {
  const std::uint64_t bytes = 8160192ULL * 1024;
  EXPECT_EQ(FormatKilobytes(bytes, kNoBreakSpace), "8\u00a0160\u00a0192 kB");
  EXPECT_EQ(FormatKilobytes(bytes, ","), "8,160,192 kB");
  EXPECT_EQ(FormatKilobytes(bytes, ""), "8160192 kB");
  EXPECT_EQ(FormatKilobytes(999 * 1024, ","), "999 kB");
  EXPECT_EQ(FormatKilobytes(1000 * 1024, ","), "1,000 kB");
  EXPECT_EQ(FormatKilobytes(123456 * 1024, ","), "123,456 kB");
  // Beyond 32 bits, as any machine with more than 4 GB reports.
  EXPECT_EQ(FormatKilobytes(64ULL << 30, ","), "67,108,864 kB");
}

TEST(FormatKilobytes, DividesBy1024AndRoundsHalfUp) {
  EXPECT_EQ(FormatKilobytes(1024000, ","), "1,000 kB");  // not 1,024
  EXPECT_EQ(FormatKilobytes(1535, ","), "1 kB");
  EXPECT_EQ(FormatKilobytes(1536, ","), "2 kB");
  EXPECT_EQ(FormatKilobytes(2560, ","), "3 kB");  // half up, not to even
  EXPECT_EQ(FormatKilobytes(1024 * 1000 - 512, ","), "1,000 kB");
  EXPECT_EQ(FormatKilobytes(1024 * 1000 - 513, ","), "999 kB");
  EXPECT_EQ(FormatKilobytes(0, ","), "0 kB");
}

TEST(FormatMemoryLoad, BareNumberSpacePercent) {
  EXPECT_EQ(FormatMemoryLoad(42), "42 %");
  EXPECT_EQ(FormatMemoryLoad(0), "0 %");
  EXPECT_EQ(FormatMemoryLoad(100), "100 %");
}

}  // namespace
