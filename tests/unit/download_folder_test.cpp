#include "core/download_folder.h"

#include <gtest/gtest.h>

#include <set>

using namespace zovaz;

namespace {

std::string Folder(const DesktopFolders& desktop, const std::set<std::string>& existing = {}) {
  return DownloadFolderFor(desktop,
                           [&](const std::string& path) { return existing.count(path) > 0; });
}

}  // namespace

TEST(DownloadFolder, TheDesktopsOwnFolderComesFirst) {
  EXPECT_EQ(Folder({"/srv/stazene/", "/home/jana/Stažené", "/home/jana", "C"}), "/srv/stazene");
  EXPECT_EQ(Folder({"", "/home/jana/Stažené", "/home/jana", "C"}), "/home/jana/Stažené");
  // Relative values are no folder to start in.
  EXPECT_EQ(Folder({"Stažené", "/home/jana/Soubory", "/home/jana", "C"}), "/home/jana/Soubory");
}

TEST(DownloadFolder, NeverTheBareHome) {
  // user-dirs.dirs sets a folder to $HOME to say the desktop has none.
  for (const char* home : {"/home/jana", "/home/jana/", "/home/jana/."}) {
    EXPECT_EQ(Folder({home, "/home/jana/", "/home/jana", "C"}), "/home/jana/Downloads") << home;
  }
  EXPECT_EQ(Folder({"/", "/", "/", "C"}), "/Downloads");
  EXPECT_EQ(Folder({"", "", "", "C"}), "");
}

TEST(DownloadFolder, WithoutASettingTheFolderThatExistsOrTheDesktopLanguageNames) {
  const std::string home = "/home/jana";
  EXPECT_EQ(Folder({"", "", home, "C"}, {home + "/Stažené"}), home + "/Stažené");
  EXPECT_EQ(Folder({"", "", home, "cs_CZ.UTF-8"}, {home + "/Downloads"}), home + "/Downloads");
  EXPECT_EQ(Folder({"", "", home, "cs_CZ.UTF-8"}), home + "/Stažené");
  EXPECT_EQ(Folder({"", "", home, "en_GB.UTF-8"}), home + "/Downloads");
}
