#include "platform/memory_status.h"

#include <gtest/gtest.h>

using zovaz::MemoryStatusFromMemInfo;

namespace {

TEST(MemoryStatusFromMemInfo, TotalInBytesAndShareInUseFromAvailable) {
  const auto status = MemoryStatusFromMemInfo(
      "MemTotal:       16000000 kB\n"
      "MemFree:         1000000 kB\n"
      "MemAvailable:    9280000 kB\n"
      "Buffers:          200000 kB\n"
      "Cached:          7000000 kB\n");
  ASSERT_TRUE(status.has_value());
  EXPECT_EQ(status->totalPhysicalBytes, 16000000ULL * 1024);
  EXPECT_EQ(status->memoryLoad, 42);  // 6,720,000 of 16,000,000 in use
}

TEST(MemoryStatusFromMemInfo, OlderKernelsCountFreeBuffersAndCacheAsAvailable) {
  const auto status = MemoryStatusFromMemInfo(
      "MemTotal:  1000 kB\nMemFree:  100 kB\nBuffers:  50 kB\nCached:  345 kB\n");
  ASSERT_TRUE(status.has_value());
  EXPECT_EQ(status->memoryLoad, 51);  // 505 of 1000 in use, rounded
}

TEST(MemoryStatusFromMemInfo, LoadStaysWithinZeroToHundred) {
  EXPECT_EQ(MemoryStatusFromMemInfo("MemTotal: 1000 kB\nMemAvailable: 1000 kB\n")->memoryLoad, 0);
  EXPECT_EQ(MemoryStatusFromMemInfo("MemTotal: 1000 kB\nMemAvailable: 0 kB\n")->memoryLoad, 100);
  // A reading taken between two updates can report more available than total.
  EXPECT_EQ(MemoryStatusFromMemInfo("MemTotal: 1000 kB\nMemAvailable: 1200 kB\n")->memoryLoad, 0);
}

TEST(MemoryStatusFromMemInfo, NothingWithoutATotal) {
  EXPECT_FALSE(MemoryStatusFromMemInfo("").has_value());
  EXPECT_FALSE(MemoryStatusFromMemInfo("MemFree: 100 kB\n").has_value());
  EXPECT_FALSE(MemoryStatusFromMemInfo("MemTotal: 0 kB\n").has_value());
  EXPECT_FALSE(MemoryStatusFromMemInfo("MemTotal: lots\n").has_value());
}

TEST(QueryMemoryStatus, ReportsThisMachine) {
  const auto status = zovaz::QueryMemoryStatus();
  EXPECT_GT(status.totalPhysicalBytes, 64ULL << 20);
  EXPECT_GE(status.memoryLoad, 0);
  EXPECT_LE(status.memoryLoad, 100);
}

}  // namespace
