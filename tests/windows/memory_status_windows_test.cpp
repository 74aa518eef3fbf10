// The About figures on Windows come from the system's 64-bit memory status.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>

#include "platform/memory_status.h"

using namespace zovaz;

namespace {

TEST(WindowsMemoryStatus, ReportsTheWholeMachineNotA32BitShare) {
  MEMORYSTATUSEX system{};
  system.dwLength = sizeof system;
  ASSERT_TRUE(GlobalMemoryStatusEx(&system));
  const MemoryStatus status = QueryMemoryStatus();
  EXPECT_EQ(status.totalPhysicalBytes, system.ullTotalPhys);
  EXPECT_GE(status.memoryLoad, 0);
  EXPECT_LE(status.memoryLoad, 100);
  // The load moves between the two queries; a different figure would not.
  EXPECT_LE(std::abs(status.memoryLoad - static_cast<int>(system.dwMemoryLoad)), 5);
}

}  // namespace
