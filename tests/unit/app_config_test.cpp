#include "core/app_config.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/test_files.h"
#include "common/test_servers.h"
#include "core/data_folder.h"

using namespace zovaz;
using namespace zovaz::testing;

namespace {

void ExpectConfig(const AppConfig& c, const std::string& server, const std::string& user,
                  const std::string& hash, const std::string& autoLogin) {
  EXPECT_EQ(c.serverUrl, server);
  EXPECT_EQ(c.userName, user);
  EXPECT_EQ(c.passwordHash, hash);
  EXPECT_EQ(c.autoLogin, autoLogin);
}

const char* kHash = "0123456789abcdef0123456789abcdef";

}  // namespace

TEST(ReadAppConfig, FourLinesInOrderLfOrCrLf) {
  TempDir dir;
  WriteFile(dir / "crlf", std::string("http://shop.test\r\nnov\xE1k\r\n") + kHash + "\r\n1\r\n");
  ExpectConfig(ReadAppConfig(dir / "crlf"), "http://shop.test", "nov\xE1k", kHash, "1");
  WriteFile(dir / "lf", std::string("http://shop.test\nnov\xE1k\n") + kHash + "\n1\n");
  ExpectConfig(ReadAppConfig(dir / "lf"), "http://shop.test", "nov\xE1k", kHash, "1");
  // Values are taken as they stand: no trimming.
  WriteFile(dir / "spaces", " a \r\n\tb\r\n\r\n 1\r\n");
  ExpectConfig(ReadAppConfig(dir / "spaces"), " a ", "\tb", "", " 1");
}

TEST(ReadAppConfig, MissingFileOrLinesGiveEmptyValuesAndExtraLinesAreIgnored) {
  TempDir dir;
  ExpectConfig(ReadAppConfig(dir / "absent"), "", "", "", "");
  std::filesystem::create_directory(dir / "folder");
  ExpectConfig(ReadAppConfig(dir / "folder"), "", "", "", "");
  WriteFile(dir / "one", "http://shop.test");
  ExpectConfig(ReadAppConfig(dir / "one"), "http://shop.test", "", "", "");
  WriteFile(dir / "six", "s\r\nu\r\nh\r\n0\r\nfifth\r\nsixth\r\n");
  ExpectConfig(ReadAppConfig(dir / "six"), "s", "u", "h", "0");
}

TEST(ReadAppConfig, AFileThatExistsButCannotBeReadIsToldApart) {
  TempDir dir;
  std::string unreadable = "stale";
  ReadAppConfig(dir / "absent", &unreadable);
  EXPECT_EQ(unreadable, "");  // missing is the documented empty file
  WriteFile(dir / "app.cfg", "http://shop.test\r\n");
  ReadAppConfig(dir / "app.cfg", &unreadable);
  EXPECT_EQ(unreadable, "");

  chmod((dir / "app.cfg").c_str(), 0);
  {
    ScopedFilePermissionsHold hold;
    ExpectConfig(ReadAppConfig(dir / "app.cfg", &unreadable), "", "", "", "");
    EXPECT_EQ(unreadable, dir / "app.cfg: File access denied");
  }
  // A FIFO would hang a plain read, or read as empty.
  ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
  ReadAppConfig(dir / "fifo", &unreadable);
  EXPECT_EQ(unreadable, dir / "fifo: File access denied");

  // An update's setup keeps such a file as it is, too.
  TempDir exe;
  WriteFile(exe / "app.cfg", "http://shipped.test\r\n");
  const std::string dataDir = dir / "Marlevo";
  std::filesystem::create_directory(dataDir);
  WriteFile(dataDir + "/app.cfg", "http://mine.test\r\nme\r\n");
  chmod((dataDir + "/app.cfg").c_str(), 0);
  {
    ScopedFilePermissionsHold hold;
    std::vector<std::string> failures;
    EXPECT_FALSE(RunSetup(exe.path(), dataDir, &failures));
  }
  EXPECT_EQ(ReadFile(dataDir + "/app.cfg"), "http://mine.test\r\nme\r\n");
  EXPECT_EQ(ModeOf(dataDir + "/app.cfg"), 0u);
}

TEST(WriteAppConfig, WritesFourCrLfLinesOwnerOnlyAndDropsExtraLines) {
  TempDir dir;
  const std::string path = dir / "app.cfg";
  WriteFile(path, "old\r\nold\r\nold\r\nold\r\nfifth\r\n");
  chmod(path.c_str(), 0644);
  ASSERT_TRUE(WriteAppConfig(path, {"http://shop.test", "nov\xE1k", kHash, "0"}));
  EXPECT_EQ(ReadFile(path), std::string("http://shop.test\r\nnov\xE1k\r\n") + kHash + "\r\n0\r\n");
  EXPECT_EQ(ModeOf(path), 0600u);  // it holds the password digest

  ASSERT_TRUE(WriteAppConfig(dir / "new.cfg", {"", "", "", ""}));
  EXPECT_EQ(ReadFile(dir / "new.cfg"), "\r\n\r\n\r\n\r\n");
  EXPECT_EQ(ModeOf(dir / "new.cfg"), 0600u);

  ExpectConfig(ReadAppConfig(dir / "new.cfg"), "", "", "", "");
}

TEST(WriteAppConfig, FailureIsReportedAndLeavesNothingBehind) {
  TempDir dir;
  std::string failure;
  EXPECT_FALSE(WriteAppConfig(dir / "absent/app.cfg", {"s", "u", "h", "1"}, &failure));
  EXPECT_EQ(failure, dir / "absent/app.cfg: File not found");
  EXPECT_TRUE(ListFolder(dir.path()).empty());
}

TEST(FlagIsOn, OnlyExactlyOneIsOn) {
  EXPECT_TRUE(FlagIsOn("1"));
  for (const char* off : {"0", "", "1 ", " 1", "true", "11", "01"}) EXPECT_FALSE(FlagIsOn(off));
}
