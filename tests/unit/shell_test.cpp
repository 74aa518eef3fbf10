#include "platform/shell.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace std::chrono_literals;

TEST(ProcessAge, CountsFromThisProcesssStart) {
  // The test process has run for a moment, not for ages: a misread field
  // of the process table gives a constant or the machine's uptime instead.
  const auto before = zovaz::ProcessAge();
  EXPECT_GE(before, 0ms);
  EXPECT_LT(before, 600s);
  std::this_thread::sleep_for(200ms);
  const auto grown = zovaz::ProcessAge() - before;
  EXPECT_GE(grown, 150ms);
  EXPECT_LT(grown, 2s);
}
