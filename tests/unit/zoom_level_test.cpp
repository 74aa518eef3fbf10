#include "core/zoom_level.h"

#include <gtest/gtest.h>

#include "common/test_files.h"
#include "core/data_folder.h"

using namespace zovaz;
using zovaz::testing::TempDir;

TEST(ZoomLevel, KeysWalkTheStepsAndStopAtTheEnds) {
  EXPECT_DOUBLE_EQ(ZoomIn(1.0), 1.1);
  EXPECT_DOUBLE_EQ(ZoomOut(1.0), 0.9);
  // A kept level read back as text lands on its own step, not next to it.
  EXPECT_DOUBLE_EQ(ZoomIn(ParseZoomLevel("0.67")), 0.8);
  EXPECT_DOUBLE_EQ(ZoomOut(ParseZoomLevel("0.67")), 0.5);
  // Between steps, the next one in the direction asked.
  EXPECT_DOUBLE_EQ(ZoomIn(1.2), 1.25);
  EXPECT_DOUBLE_EQ(ZoomOut(1.2), 1.1);
  EXPECT_DOUBLE_EQ(ZoomIn(3.0), 3.0);
  EXPECT_DOUBLE_EQ(ZoomOut(0.3), 0.3);
}

TEST(ZoomLevel, OnlyAPlainNumberInRangeIsTakenFromTheFile) {
  EXPECT_DOUBLE_EQ(ParseZoomLevel("1.25\n"), 1.25);
  EXPECT_DOUBLE_EQ(ParseZoomLevel("9"), 3.0);
  EXPECT_DOUBLE_EQ(ParseZoomLevel("0.01"), 0.3);
  for (const char* bad : {"", "\n", "1,25", "abc", "1.5x", "-", "nan", "inf", "1e400"}) {
    SCOPED_TRACE(bad);
    EXPECT_DOUBLE_EQ(ParseZoomLevel(bad), kNormalZoom);
  }
}

TEST(ZoomLevel, SurvivesAWriteAndReadAndStaysOutOfTheConfig) {
  TempDir data;
  const std::string path = ZoomStatePath(data.path());
  EXPECT_NE(path, ConfigPath(data.path()));
  EXPECT_DOUBLE_EQ(ReadZoomLevel(path), kNormalZoom);
  EXPECT_TRUE(WriteZoomLevel(path, 1.75));
  EXPECT_EQ(zovaz::testing::ReadFile(path), "1.75\n");
  EXPECT_DOUBLE_EQ(ReadZoomLevel(path), 1.75);
  std::string failure;
  EXPECT_FALSE(WriteZoomLevel(data / "missing/zoom.txt", 1.1, &failure));
  EXPECT_EQ(failure, "File not found");
}
