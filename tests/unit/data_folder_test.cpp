#include "core/data_folder.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "common/test_files.h"
#include "common/test_servers.h"

using namespace zovaz;
using namespace zovaz::testing;
namespace fs = std::filesystem;

TEST(DataFolderPaths, LocalAppDataFollowsTheBaseDirectoryConvention) {
  EXPECT_EQ(LocalAppDataFrom("/data/home", "/home/u"), "/data/home");
  // A relative or empty XDG_DATA_HOME is invalid and ignored.
  EXPECT_EQ(LocalAppDataFrom("relative/path", "/home/u"), "/home/u/.local/share");
  EXPECT_EQ(LocalAppDataFrom("", "/home/u"), "/home/u/.local/share");
  EXPECT_EQ(LocalAppDataFrom(nullptr, "/home/u"), "/home/u/.local/share");
  EXPECT_EQ(LocalAppDataFrom(nullptr, ""), "");
  EXPECT_EQ(LocalAppDataFrom(nullptr, nullptr), "");
  // Without a usable HOME the account's home decides, never the root.
  for (const char* home : {static_cast<const char*>(nullptr), "", "relative"}) {
    SCOPED_TRACE(home == nullptr ? "unset" : home);
    EXPECT_EQ(LocalAppDataFrom("", home, "/home/acct"), "/home/acct/.local/share");
    EXPECT_EQ(LocalAppDataFrom("rel", home, ""), "");
    EXPECT_EQ(LocalAppDataFrom(nullptr, home, "relative"), "");
  }
  EXPECT_EQ(LocalAppDataFrom(nullptr, "/home/u", "/home/acct"), "/home/u/.local/share");
}

TEST(DataFolderPaths, FolderAndFileNames) {
  EXPECT_EQ(DataDirOf("/home/u/.local/share"), "/home/u/.local/share/Marlevo");
  EXPECT_EQ(DataDirOf(""), "/Marlevo");
  EXPECT_EQ(VersionMarkerPath("/d/Marlevo"), "/d/Marlevo/version.nfo");
  EXPECT_EQ(ConfigPath("/d/Marlevo"), "/d/Marlevo/app.cfg");
  EXPECT_EQ(AppFolderPath("/d/Marlevo"), "/d/Marlevo/__app");
  EXPECT_EQ(LocalPagePath("/d/Marlevo"), "/d/Marlevo/__app/lilindex.html");
  EXPECT_EQ(RawStartPagePath("/d/M"), "/d/M/__app/b.tmp");
  EXPECT_EQ(ProbeTargetPath("/d/M"), "/d/M/__app/a.tmp");
  EXPECT_EQ(StyleSheetPath("/d/M"), "/d/M/__app/assets/styles/mainCompact.css");
}

TEST(DataFolderPaths, ExeDirEndsBeforeTheLastSeparatorOnly) {
  EXPECT_EQ(ExeDirOf("/opt/marlevo/bin/zovaz"), "/opt/marlevo/bin");
  EXPECT_EQ(ExeDirOf("/zovaz"), "");
  EXPECT_EQ(ExeDirOf("zovaz"), "zovaz");  // no separator: the whole text
}

TEST(VersionMarker, OnlyExactlyThisVersionOnTheFirstLineSkipsSetup) {
  TempDir dir;
  EXPECT_TRUE(SetupNeeded(dir.path()));
  EXPECT_EQ(InstalledVersion(dir.path()), "");
  const std::string marker = VersionMarkerPath(dir.path());
  struct Case {
    std::string bytes;
    bool needed;
  };
  for (const Case& c :
       {Case{"1.0.0.2\r\n", false}, Case{"1.0.0.2", false}, Case{"1.0.0.2\n", false},
        Case{"1.0.0.2\r\nmore\r\nlines\r\n", false}, Case{"1.0.0.1\r\n", true},
        Case{"1.0.0.2 \r\n", true}, Case{" 1.0.0.2\r\n", true}, Case{"1.0.0.20\r\n", true},
        Case{"", true}, Case{"\r\n1.0.0.2\r\n", true}}) {
    SCOPED_TRACE(c.bytes);
    WriteFile(marker, c.bytes);
    EXPECT_EQ(SetupNeeded(dir.path()), c.needed);
  }
}

class SetupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(exe / "__app/assets/images");
    fs::create_directories(exe / "__app/assets/styles");
    WriteFile(exe / "__app/lilindex.html", "<html>shipped</html>\r\n");
    WriteFile(exe / "__app/assets/images/clock.png", std::string("\x89PNG\0\x1A", 6));
    WriteFile(exe / "__app/assets/styles/base.css", "body{}\r\n");
    WriteFile(exe / "app.cfg", "http://shipped.test\r\n\r\n\r\n0\r\n");
  }

  TempDir exe;
  TempDir home;
  std::string localAppData = home / ".local/share";
  std::string dataDir = DataDirOf(localAppData);
};

TEST_F(SetupTest, FirstRunCreatesPrivateFoldersAndCopiesEverything) {
  RunSetup(exe.path(), dataDir);

  EXPECT_EQ(ModeOf(dataDir), 0700u);
  // Missing levels above the data folder are made private too.
  EXPECT_EQ(ModeOf(home / ".local"), 0700u);
  EXPECT_EQ(ModeOf(localAppData), 0700u);
  EXPECT_EQ(ListFolder(dataDir), (Names{"__app", "app.cfg", "version.nfo"}));
  EXPECT_EQ(ReadFile(dataDir + "/__app/lilindex.html"), "<html>shipped</html>\r\n");
  EXPECT_EQ(ReadFile(dataDir + "/__app/assets/images/clock.png"), std::string("\x89PNG\0\x1A", 6));
  EXPECT_EQ(ListFolder(dataDir + "/__app/assets/styles"), Names{"base.css"});
  EXPECT_EQ(ReadFile(dataDir + "/app.cfg"), "http://shipped.test\r\n\r\n\r\n0\r\n");
  EXPECT_EQ(ModeOf(dataDir + "/app.cfg"), 0600u);
  EXPECT_EQ(ReadFile(dataDir + "/version.nfo"), "1.0.0.2\r\n");
  EXPECT_FALSE(SetupNeeded(dataDir));
}

TEST_F(SetupTest, UpdateMergesContentAndKeepsTheUsersLogin) {
  fs::create_directories(dataDir + "/__app/assets/styles");
  WriteFile(dataDir + "/__app/lilindex.html", "<html>from the last run, longer</html>\r\n");
  WriteFile(dataDir + "/__app/assets/styles/mainCompact.css", "fetched\r\n");
  WriteFile(dataDir + "/__app/b.tmp", "raw page");
  WriteFile(dataDir + "/app.cfg",
            "http://old.test\r\nnov\xE1k\r\n0123456789abcdef0123456789abcdef\r\n1\r\n");
  WriteFile(dataDir + "/version.nfo", "1.0.0.1\r\n");
  ASSERT_TRUE(SetupNeeded(dataDir));

  RunSetup(exe.path(), dataDir);

  EXPECT_EQ(ReadFile(dataDir + "/__app/lilindex.html"), "<html>shipped</html>\r\n");
  EXPECT_EQ(ReadFile(dataDir + "/__app/assets/styles/mainCompact.css"), "fetched\r\n");
  EXPECT_EQ(ReadFile(dataDir + "/__app/b.tmp"), "raw page");
  EXPECT_EQ(ListFolder(dataDir + "/__app/assets/styles"), (Names{"base.css", "mainCompact.css"}));
  // The server address follows the update; the user's login survives it.
  EXPECT_EQ(ReadFile(dataDir + "/app.cfg"),
            "http://shipped.test\r\nnov\xE1k\r\n0123456789abcdef0123456789abcdef\r\n1\r\n");
  EXPECT_EQ(ModeOf(dataDir + "/app.cfg"), 0600u);
  EXPECT_EQ(ReadFile(dataDir + "/version.nfo"), "1.0.0.2\r\n");
  EXPECT_EQ(ListFolder(dataDir), (Names{"__app", "app.cfg", "version.nfo"}));
}

TEST_F(SetupTest, MissingShippedContentIsSilentAndStillMarksTheSetup) {
  fs::remove_all(exe / "__app");
  fs::remove(exe / "app.cfg");
  fs::create_directories(dataDir);
  WriteFile(dataDir + "/app.cfg", "http://mine.test\r\nme\r\n\r\n0\r\n");

  RunSetup(exe.path(), dataDir);

  EXPECT_EQ(ReadFile(dataDir + "/app.cfg"), "http://mine.test\r\nme\r\n\r\n0\r\n");
  EXPECT_FALSE(SetupNeeded(dataDir));
}

TEST_F(SetupTest, AnUnusableDataFolderLeavesSetupPending) {
  // A plain file where the data folder belongs: every step fails quietly.
  fs::create_directories(localAppData);
  WriteFile(dataDir, "not a folder");

  std::vector<std::string> failures;
  EXPECT_FALSE(RunSetup(exe.path(), dataDir, &failures));

  EXPECT_EQ(ReadFile(dataDir), "not a folder");
  EXPECT_TRUE(SetupNeeded(dataDir));
  // Each failed step is named, for the log.
  ASSERT_EQ(failures.size(), 3u);
  EXPECT_EQ(failures[2], dataDir + "/version.nfo: Invalid filename");
  // A folder below it cannot be made either, and says which level failed.
  std::string failure;
  EXPECT_FALSE(CreatePrivateFolders(dataDir + "/web/cache", &failure));
  EXPECT_EQ(failure.rfind("cannot create " + dataDir + "/web:", 0), 0u) << failure;
}

TEST(CopyDirectory, MergesIntoTheTargetAndReportsAMissingSource) {
  TempDir source, target;
  fs::create_directories(source / "a/b");
  WriteFile(source / "a/b/deep.txt", "deep");
  WriteFile(source / "top.txt", "new top");
  WriteFile(target / "top.txt", "old top, longer than the new one");
  WriteFile(target / "own.txt", "kept");

  EXPECT_TRUE(CopyDirectory(source.path(), target.path()));
  EXPECT_EQ(ReadFile(target / "a/b/deep.txt"), "deep");
  EXPECT_EQ(ReadFile(target / "top.txt"), "new top");
  EXPECT_EQ(ListFolder(target.path()), (Names{"a", "own.txt", "top.txt"}));

  EXPECT_FALSE(CopyDirectory(source / "absent", target / "x"));
  EXPECT_FALSE(Exists(target / "x"));
  EXPECT_TRUE(CopyDirectory(source.path(), target / "fresh"));
  EXPECT_EQ(ReadFile(target / "fresh/a/b/deep.txt"), "deep");
}

TEST(TidyDataFolder, NarrowsWideModesAndRemovesInterruptedWrites) {
  TempDir base;
  const std::string dir = base / "Marlevo";
  fs::create_directories(AppFolderPath(dir) + "/assets");
  fs::create_directories(dir + "/web");
  WriteFile(ConfigPath(dir), "cfg");
  WriteFile(LocalPagePath(dir), "page");
  // Leftovers of interrupted writes, and names that only look alike.
  for (const char* name : {"app.cfg.Ab12Zx", "__app/lilindex.html.q9W2e1",
                           "__app/assets/x.css.000000", "web/cookies.sqlite.AAAAAA", "notes.txt",
                           "__app/x.abc", "__app/y.abcdefg", "__app/z.ab-12"})
    WriteFile(dir + "/" + std::string(name), "x");
  fs::permissions(dir, fs::perms(0755));
  fs::permissions(ConfigPath(dir), fs::perms(0644));
  fs::permissions(LocalPagePath(dir), fs::perms(0644));

  TidyDataFolder(dir);
  EXPECT_EQ(ModeOf(dir), 0700u);
  EXPECT_EQ(ModeOf(ConfigPath(dir)), 0600u);
  EXPECT_EQ(ModeOf(LocalPagePath(dir)), 0644u);  // not a secret
  EXPECT_EQ(ListFolder(dir), (Names{"__app", "app.cfg", "notes.txt", "web"}));
  EXPECT_EQ(ListFolder(AppFolderPath(dir)),
            (Names{"assets", "lilindex.html", "x.abc", "y.abcdefg", "z.ab-12"}));
  EXPECT_TRUE(ListFolder(AppFolderPath(dir) + "/assets").empty());
  EXPECT_EQ(ListFolder(dir + "/web"), Names{"cookies.sqlite.AAAAAA"});

  // Private modes stay as they are; a missing folder is no failure.
  fs::permissions(dir, fs::perms(0500));
  TidyDataFolder(dir);
  EXPECT_EQ(ModeOf(dir), 0500u);
  fs::permissions(dir, fs::perms(0700));
  TidyDataFolder(base / "absent");
}
