#include "core/data_folder.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include "common/test_files.h"
#include "common/test_servers.h"
#include "core/text_file.h"

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

TEST_F(SetupTest, TheClientReadsTheFilesSetupLaidOutAndWritesInsideTheDataFolder) {
  RunSetup(exe.path(), dataDir);
  EXPECT_EQ(ReadFile(ConfigPath(dataDir)), "http://shipped.test\r\n\r\n\r\n0\r\n");
  EXPECT_EQ(ReadFile(LocalPagePath(dataDir)), "<html>shipped</html>\r\n");
  EXPECT_EQ(InstalledVersion(dataDir), "1.0.0.2");
  // What the client fetches or remembers later lies where the start-up
  // tidy and the narrowing of modes reach it, and where setup's own files
  // are not.
  for (const std::string& path : {RawStartPagePath(dataDir), ProbeTargetPath(dataDir),
                                  StyleSheetPath(dataDir), ZoomStatePath(dataDir)}) {
    SCOPED_TRACE(path);
    EXPECT_EQ(path.rfind(dataDir + "/", 0), 0u);
    EXPECT_FALSE(fs::exists(path));
  }
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

TEST(TidyDataFolder, RemovesOnlyItsOwnLeftoversAndNarrowsEverything) {
  TempDir base;
  const std::string dir = base / "Marlevo";
  fs::create_directories(AppFolderPath(dir) + "/assets");
  fs::create_directories(dir + "/web");
  WriteFile(ConfigPath(dir), "cfg");
  WriteFile(LocalPagePath(dir), "page");
  // Leftovers of interrupted writes, and the customer's files that only look
  // like them (a name, a dot and six letters, the marker misplaced, or six
  // characters after it that the write never picks).
  for (const char* name :
       {".app.cfg.zovaz-tmp-Ab12Zx", "__app/.lilindex.html.zovaz-tmp-q9W2e1",
        "__app/assets/.x.css.zovaz-tmp-000000", "web/.cookies.sqlite.zovaz-tmp-AAAAAA",
        "notes.backup", "site.config", "__app/places.sqlite", "__app/.zovaz-tmp-abcdef",
        "__app/.x.zovaz-tmp-abc", "__app/.x.zovaz-tmp-abcdefg", "__app/x.zovaz-tmp-abcdef",
        "__app/.x.zovaz-tmp-ab.c-d"})
    WriteFile(dir + "/" + std::string(name), "x");
  fs::permissions(dir, fs::perms(0755));
  fs::permissions(AppFolderPath(dir), fs::perms(0777));
  fs::permissions(ConfigPath(dir), fs::perms(0644));
  fs::permissions(LocalPagePath(dir), fs::perms(0666));
  fs::permissions(dir + "/web", fs::perms(0750));

  TidyDataFolder(dir);
  EXPECT_EQ(ModeOf(dir), 0700u);
  EXPECT_EQ(ModeOf(AppFolderPath(dir)), 0700u);
  EXPECT_EQ(ModeOf(ConfigPath(dir)), 0600u);
  EXPECT_EQ(ModeOf(LocalPagePath(dir)), 0600u);
  EXPECT_EQ(ModeOf(dir + "/web"), 0700u);
  EXPECT_EQ(ListFolder(dir), (Names{"__app", "app.cfg", "notes.backup", "site.config", "web"}));
  EXPECT_EQ(
      ListFolder(AppFolderPath(dir)),
      (Names{".x.zovaz-tmp-ab.c-d", ".x.zovaz-tmp-abc", ".x.zovaz-tmp-abcdefg", ".zovaz-tmp-abcdef",
             "assets", "lilindex.html", "places.sqlite", "x.zovaz-tmp-abcdef"}));
  EXPECT_TRUE(ListFolder(AppFolderPath(dir) + "/assets").empty());
  EXPECT_EQ(ListFolder(dir + "/web"), Names{".cookies.sqlite.zovaz-tmp-AAAAAA"});

  // Private modes stay as they are; a missing folder is no failure.
  fs::permissions(dir, fs::perms(0500));
  TidyDataFolder(dir);
  EXPECT_EQ(ModeOf(dir), 0500u);
  fs::permissions(dir, fs::perms(0700));
  TidyDataFolder(base / "absent");
}

TEST(TidyDataFolder, NeverFollowsALink) {
  // Somewhere else on the disk, with names of the tidy's shape and wide modes.
  TempDir base, elsewhere;
  fs::create_directories(elsewhere / "sub");
  for (const char* name :
       {".page.zovaz-tmp-Ab12Zx", "sub/.page.zovaz-tmp-Ab12Zx", "file", "notes.backup"})
    WriteFile(elsewhere / name, "theirs");
  fs::permissions(elsewhere.path(), fs::perms(0755));
  fs::permissions(elsewhere / "file", fs::perms(0666));
  const auto untouched = [&] {
    EXPECT_EQ(ListFolder(elsewhere.path()),
              (Names{".page.zovaz-tmp-Ab12Zx", "file", "notes.backup", "sub"}));
    EXPECT_EQ(ListFolder(elsewhere / "sub"), Names{".page.zovaz-tmp-Ab12Zx"});
    EXPECT_EQ(ModeOf(elsewhere.path()), 0755u);
    EXPECT_EQ(ModeOf(elsewhere / "file"), 0666u);
  };

  const std::string dir = base / "Marlevo";
  fs::create_directories(dir);
  fs::create_directory_symlink(elsewhere.path(), AppFolderPath(dir));
  fs::create_symlink(elsewhere / "file", dir + "/.linked.zovaz-tmp-Ab12Zx");
  TidyDataFolder(dir);
  untouched();
  EXPECT_TRUE(Exists(dir + "/.linked.zovaz-tmp-Ab12Zx"));

  // A linked folder deeper in __app, and a linked data folder itself.
  fs::remove(AppFolderPath(dir));
  fs::create_directories(AppFolderPath(dir));
  fs::create_directory_symlink(elsewhere.path(), AppFolderPath(dir) + "/assets");
  TidyDataFolder(dir);
  untouched();
  fs::create_directory_symlink(elsewhere.path(), base / "Linked");
  TidyDataFolder(base / "Linked");
  untouched();

  // The setup's copy neither writes through a linked __app nor replaces a
  // linked file in it.
  TempDir exe;
  fs::create_directories(exe / "__app/assets");
  WriteFile(exe / "__app/assets/file", "shipped");
  WriteFile(exe / "__app/lilindex.html", "shipped");
  fs::remove_all(AppFolderPath(dir));
  fs::create_directory_symlink(elsewhere.path(), AppFolderPath(dir));
  EXPECT_FALSE(CopyDirectory(exe / "__app", AppFolderPath(dir)));
  untouched();
  fs::remove(AppFolderPath(dir));
  fs::create_directories(AppFolderPath(dir) + "/assets");
  fs::create_symlink(elsewhere / "file", AppFolderPath(dir) + "/assets/file");
  EXPECT_FALSE(CopyDirectory(exe / "__app", AppFolderPath(dir)));
  untouched();
  EXPECT_EQ(ReadFile(elsewhere / "file"), "theirs");
  EXPECT_EQ(ReadFile(LocalPagePath(dir)), "shipped");  // the rest is still copied
}

TEST(DataFolderOwner, AFolderOrLinkOfAnotherUserIsRefused) {
  TempDir base;
  EXPECT_FALSE(BelongsToOthers(base / "absent"));
  fs::create_directories(base / "mine");
  EXPECT_FALSE(BelongsToOthers(base / "mine"));
  fs::create_directory_symlink(base / "mine", base / "link-to-mine");
  EXPECT_FALSE(BelongsToOthers(base / "link-to-mine"));
  if (geteuid() != 0) GTEST_SKIP() << "giving a folder to another user needs root";
  // As another user would leave them in a shared XDG_DATA_HOME.
  constexpr uid_t kOther = 65534;
  fs::create_directories(base / "theirs");
  WriteFile(base / "theirs.lock", "");
  ASSERT_EQ(chown((base / "theirs").c_str(), kOther, kOther), 0);
  ASSERT_EQ(chown((base / "theirs.lock").c_str(), kOther, kOther), 0);
  EXPECT_TRUE(BelongsToOthers(base / "theirs"));
  EXPECT_TRUE(BelongsToOthers(base / "theirs.lock"));
  fs::create_directory_symlink(base / "theirs", base / "link-to-theirs");
  EXPECT_TRUE(BelongsToOthers(base / "link-to-theirs"));
  ASSERT_EQ(lchown((base / "link-to-mine").c_str(), kOther, kOther), 0);
  EXPECT_TRUE(BelongsToOthers(base / "link-to-mine"));

  // Nor does the tidy touch what is not the user's.
  fs::permissions(base / "theirs", fs::perms(0777));
  WriteFile(base / "theirs/.app.cfg.zovaz-tmp-Ab12Zx", "x");
  TidyDataFolder(base / "theirs");
  EXPECT_EQ(ModeOf(base / "theirs"), 0777u);
  EXPECT_EQ(ListFolder(base / "theirs"), Names{".app.cfg.zovaz-tmp-Ab12Zx"});
}

TEST(TidyDataFolder, RemovesWhatAWriteKilledHalfwayLeftBehind) {
  TempDir base;
  const std::string dir = base / "Marlevo";
  fs::create_directories(dir);
  WriteFile(ConfigPath(dir), "old");
  const pid_t writer = fork();
  ASSERT_GE(writer, 0);
  if (writer == 0) {
    for (;;) WriteFileAtomically(ConfigPath(dir), std::string(64 << 20, 'x'));
  }
  std::vector<std::string> names;
  for (int i = 0; i < 20000 && names.size() < 2; ++i) {
    names = ListFolder(dir);
    usleep(500);
  }
  kill(writer, SIGKILL);
  waitpid(writer, nullptr, 0);
  names = ListFolder(dir);
  ASSERT_EQ(names.size(), 2u) << "no write caught in flight";
  EXPECT_TRUE(IsAtomicWriteLeftover(names[0])) << names[0];
  TidyDataFolder(dir);
  EXPECT_EQ(ListFolder(dir), Names{"app.cfg"});
}
