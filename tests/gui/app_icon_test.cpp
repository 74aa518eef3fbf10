// The window icons shipped beside the executable: every readable size is
// used, and missing or damaged files leave the window with what remains.
#include "platform/app_icon.h"

#include <filesystem>

#include "gui_support.h"

using zovaz::AppIconPath;
using zovaz::LoadAppIcons;
using zovaz::testing::TempDir;
using zovaz::testing::WriteFile;

namespace fs = std::filesystem;

namespace {

void ShipIcon(const std::string& exeDir, int size) {
  fs::create_directories(exeDir + "/icons");
  fs::copy_file(
      std::string(ZOVAZ_DATA_DIR) + "/desktop/cz.marlevo.Zovaz-" + std::to_string(size) + ".png",
      AppIconPath(exeDir, size));
}

}  // namespace

TEST(AppIconTest, LoadsEveryShippedSize) {
  TempDir exeDir;
  ShipIcon(exeDir.path(), 48);
  ShipIcon(exeDir.path(), 128);
  const wxIconBundle icons = LoadAppIcons(exeDir.path());
  ASSERT_EQ(icons.GetIconCount(), 2u);
  EXPECT_EQ(icons.GetIcon(wxSize(48, 48), wxIconBundle::FALLBACK_NONE).GetWidth(), 48);
  EXPECT_EQ(icons.GetIcon(wxSize(128, 128), wxIconBundle::FALLBACK_NONE).GetWidth(), 128);
}

TEST(AppIconTest, SkipsMissingAndDamagedFiles) {
  TempDir exeDir;
  EXPECT_TRUE(LoadAppIcons(exeDir.path()).IsEmpty());

  ShipIcon(exeDir.path(), 128);
  WriteFile(AppIconPath(exeDir.path(), 48), "\x89PNG\r\n\x1a\n cut short");
  const wxIconBundle icons = LoadAppIcons(exeDir.path());
  ASSERT_EQ(icons.GetIconCount(), 1u);
  EXPECT_EQ(icons.GetIconByIndex(0).GetWidth(), 128);
}
