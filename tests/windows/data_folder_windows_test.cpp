// The data folder on Windows: the shell's folder, backslash paths without a
// trailing backslash, and the setup copy through the shell.
#include <gtest/gtest.h>
#include <shlobj.h>
#include <windows.h>

#include <string>

#include "common/test_files.h"
#include "core/data_files.h"
#include "core/data_folder.h"
#include "platform/shell.h"

using namespace zovaz;
using namespace zovaz::testing;

namespace {

std::string Utf8(const std::wstring& text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string out(size, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), size,
                      nullptr, nullptr);
  return out;
}

void MakeFolders(const std::string& path) {
  ASSERT_EQ(SHCreateDirectoryExA(nullptr, path.c_str(), nullptr), ERROR_SUCCESS) << path;
}

TEST(WindowsPaths, TheDataFolderLiesInTheShellsLocalAppData) {
  wchar_t shell[MAX_PATH + 1] = {};
  ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, shell), S_OK);
  const std::string local = LocalAppData();
  EXPECT_EQ(local, Utf8(shell));
  ASSERT_GT(local.size(), 3u);
  EXPECT_NE(local.back(), '\\');
  EXPECT_EQ(local.find('/'), std::string::npos);

  const std::string dataDir = DataDirOf(local);
  EXPECT_EQ(dataDir, local + "\\Marlevo");
  EXPECT_EQ(ConfigPath(dataDir), dataDir + "\\app.cfg");
  EXPECT_EQ(VersionMarkerPath(dataDir), dataDir + "\\version.nfo");
  EXPECT_EQ(LocalPagePath(dataDir), dataDir + "\\__app\\lilindex.html");
  EXPECT_EQ(ProbeTargetPath(dataDir), dataDir + "\\__app\\a.tmp");
  EXPECT_EQ(RawStartPagePath(dataDir), dataDir + "\\__app\\b.tmp");
  EXPECT_EQ(StyleSheetPath(dataDir), dataDir + "\\__app\\assets\\styles\\mainCompact.css");
}

TEST(WindowsPaths, ExeDirEndsBeforeTheLastBackslash) {
  EXPECT_EQ(ExeDirOf("C:\\Users\\jan\\AppData\\Local\\Programs\\Z-ovaz\\zovaz.exe"),
            "C:\\Users\\jan\\AppData\\Local\\Programs\\Z-ovaz");
  EXPECT_EQ(ExeDirOf("C:\\zovaz.exe"), "C:");
  EXPECT_EQ(ExeDirOf("zovaz.exe"), "zovaz.exe");
  // The running program's own path is a Windows one, and names this file.
  const std::string exe = ExecutablePath();
  EXPECT_TRUE(exe.ends_with("\\zovaz_windows_tests.exe")) << exe;
  EXPECT_TRUE(Exists(ExeDirOf(exe) + "\\zovaz_windows_tests.exe")) << exe;
}

class WindowsSetup : public ::testing::Test {
 protected:
  void SetUp() override {
    MakeFolders(exeDir + "\\__app\\assets\\images");
    MakeFolders(exeDir + "\\__app\\assets\\styles");
    WriteFile(exeDir + "\\__app\\lilindex.html", "<html>shipped</html>\r\n");
    WriteFile(exeDir + "\\__app\\assets\\images\\clock.png", std::string("\x89PNG\r\n\x1A\n", 8));
    WriteFile(exeDir + "\\__app\\assets\\styles\\base.css", "body{}\r\n");
    WriteFile(exeDir + "\\app.cfg", "http://shipped.test\r\n\r\n\r\n0\r\n");
  }

  TempDir dir;
  std::string exeDir = dir.path() + "\\Programs\\Z-ovaz";
  std::string dataDir = DataDirOf(dir.path() + "\\Local");
};

TEST_F(WindowsSetup, FirstRunCopiesTheShippedContentIntoTheDataFolder) {
  ASSERT_TRUE(RunSetup(exeDir, dataDir));
  EXPECT_EQ(ListFolder(dataDir), (Names{"__app", "app.cfg", "version.nfo"}));
  EXPECT_EQ(ListFolder(dataDir + "\\__app"), (Names{"assets", "lilindex.html"}));
  EXPECT_EQ(ReadFile(dataDir + "\\__app\\assets\\images\\clock.png"),
            std::string("\x89PNG\r\n\x1A\n", 8));
  EXPECT_EQ(ReadFile(dataDir + "\\app.cfg"), "http://shipped.test\r\n\r\n\r\n0\r\n");
  EXPECT_EQ(ReadFile(dataDir + "\\version.nfo"), "1.0.0.2\r\n");
  EXPECT_FALSE(SetupNeeded(dataDir));
}

TEST_F(WindowsSetup, AnUpdateMergesIntoTheExistingFolderRatherThanNestingInIt) {
  MakeFolders(dataDir + "\\__app\\assets\\styles");
  WriteFile(dataDir + "\\__app\\lilindex.html", "<html>from the last run, longer</html>\r\n");
  WriteFile(dataDir + "\\__app\\assets\\styles\\mainCompact.css", "fetched\r\n");
  WriteFile(dataDir + "\\app.cfg", "http://old.test\r\nnov\xE1k\r\n0123456789abcdef\r\n1\r\n");
  WriteFile(dataDir + "\\version.nfo", "1.0.0.1\r\n");

  ASSERT_TRUE(RunSetup(exeDir, dataDir));

  // A folder copied onto an existing one must not land inside it.
  EXPECT_EQ(ListFolder(dataDir + "\\__app"), (Names{"assets", "lilindex.html"}));
  EXPECT_EQ(ReadFile(dataDir + "\\__app\\lilindex.html"), "<html>shipped</html>\r\n");
  EXPECT_EQ(ListFolder(dataDir + "\\__app\\assets\\styles"),
            (Names{"base.css", "mainCompact.css"}));
  EXPECT_EQ(ReadFile(dataDir + "\\app.cfg"),
            "http://shipped.test\r\nnov\xE1k\r\n0123456789abcdef\r\n1\r\n");
  EXPECT_EQ(ReadFile(dataDir + "\\version.nfo"), "1.0.0.2\r\n");
}

TEST_F(WindowsSetup, AMissingSourceCopiesNothing) {
  EXPECT_FALSE(CopyDirectory(dir.path() + "\\absent", dir.path() + "\\target"));
  EXPECT_FALSE(Exists(dir.path() + "\\target"));
  // No confirmation can be asked: the copy runs silently over existing files.
  EXPECT_TRUE(CopyDirectory(exeDir + "\\__app", dir.path() + "\\copy"));
  EXPECT_TRUE(CopyDirectory(exeDir + "\\__app", dir.path() + "\\copy"));
  EXPECT_EQ(ReadFile(dir.path() + "\\copy\\lilindex.html"), "<html>shipped</html>\r\n");
  EXPECT_EQ(ListFolder(dir.path() + "\\copy"), (Names{"assets", "lilindex.html"}));
}

}  // namespace
