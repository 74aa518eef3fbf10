// The default browser on Windows: the registered HTML handler's program,
// taken from between the first two double quotes of its command, started
// with the address as its only parameter. This suite registers itself as
// that program (see main.cpp), in the throw-away wine prefix it runs in.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <optional>
#include <string>
#include <thread>

#include "common/test_files.h"
#include "platform/default_browser.h"
#include "platform/shell.h"

using namespace zovaz;
using namespace zovaz::testing;

namespace {

constexpr const char* kCommandKey = "htmlfile\\shell\\open\\command";

// Sets (or, with nothing, removes) the handler's command for one case and
// puts back what was registered before.
class ScopedHandler {
 public:
  explicit ScopedHandler(const std::optional<std::string>& command) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, kCommandKey, 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
      char value[2048];
      DWORD size = sizeof value;
      DWORD type = 0;
      if (RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) ==
              ERROR_SUCCESS &&
          type == REG_SZ)
        old_ = std::string(value, size > 0 ? size - 1 : 0);
      RegCloseKey(key);
    }
    Set(command);
  }
  ~ScopedHandler() { Set(old_); }

 private:
  static void Set(const std::optional<std::string>& command) {
    HKEY key = nullptr;
    if (!command) {
      RegDeleteKeyA(HKEY_CLASSES_ROOT, kCommandKey);
      return;
    }
    ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, kCommandKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command->c_str()),
                   static_cast<DWORD>(command->size() + 1));
    RegCloseKey(key);
  }
  std::optional<std::string> old_;
};

class WindowsDefaultBrowser : public ::testing::Test {
 protected:
  // What the started program was given, once it has written it down.
  std::optional<std::string> Recorded(std::chrono::milliseconds wait) {
    const auto end = std::chrono::steady_clock::now() + wait;
    while (std::chrono::steady_clock::now() < end) {
      if (Exists(record)) return ReadFile(record);
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return std::nullopt;
  }

  TempDir dir;
  std::string record = dir.path() + "\\arguments.txt";
  ScopedEnv recording{"ZOVAZ_RECORD_ARGUMENTS", record.c_str()};
  std::string self = ExecutablePath();
};

TEST_F(WindowsDefaultBrowser, StartsTheQuotedProgramWithTheAddressAlone) {
  // A command as browsers register it: the quoted program, its own options
  // and the quoted placeholder; only the program is taken.
  ScopedHandler handler("\"" + self + "\" -osint -url \"%1\"");
  const std::string url = "http://127.0.0.1:8470/shop?a=1&b=%C4%8D";
  ASSERT_TRUE(OpenInDefaultBrowser(url));
  EXPECT_EQ(Recorded(std::chrono::seconds(20)), url + "\n");
}

TEST_F(WindowsDefaultBrowser, WithoutAQuotedProgramThatStartsNothingIsReported) {
  // Missing, empty, unquoted, half-quoted, and a program that is not there:
  // nothing can start, and the caller is told so.
  for (const std::optional<std::string>& command :
       {std::optional<std::string>(), std::optional<std::string>(""),
        std::optional<std::string>(self + " -url %1"),
        std::optional<std::string>("\"" + self + " -url %1"),
        std::optional<std::string>("\"C:\\no\\such\\browser.exe\" \"%1\"")}) {
    SCOPED_TRACE(command.value_or("(none)"));
    ScopedHandler handler(command);
    EXPECT_FALSE(OpenInDefaultBrowser("http://127.0.0.1:8470/"));
  }
  EXPECT_FALSE(Recorded(std::chrono::milliseconds(500)).has_value());
}

}  // namespace
