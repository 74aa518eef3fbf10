#include "platform/default_browser.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "common/test_files.h"

namespace fs = std::filesystem;
using zovaz::HandlerArguments;
using Words = std::vector<std::string>;

namespace {

const std::string kVendorAddress = "http://127.0.0.1:8470";

TEST(HandlerArguments, PutsTheAddressWhereTheCommandAsksForIt) {
  const std::string url = "http://shop.example/a b?x=1&y=2";
  EXPECT_EQ(HandlerArguments("browser %u", url), (Words{"browser", url}));
  EXPECT_EQ(HandlerArguments("/usr/bin/browser %U", url), (Words{"/usr/bin/browser", url}));
  // Quoted program path with spaces, own arguments and a quoted placeholder.
  EXPECT_EQ(HandlerArguments(R"("/opt/My Browser/browser" -new-tab "%u")", url),
            (Words{"/opt/My Browser/browser", "-new-tab", url}));
  // Wrappers keep their words, or the browser would never be reached.
  EXPECT_EQ(HandlerArguments("env LANG=C browser --url=%u", url),
            (Words{"env", "LANG=C", "browser", "--url=" + url}));
  // No placeholder: the address still arrives, last.
  EXPECT_EQ(HandlerArguments("browser --private", url), (Words{"browser", "--private", url}));
}

TEST(HandlerArguments, ExpandsOtherFieldCodesWithoutTouchingTheAddress) {
  // The address's own percent signs are never read as field codes.
  const std::string url = "http://shop.example/search?q=%u%20x&p=%%";
  EXPECT_EQ(HandlerArguments("browser %i %c %k %u", url), (Words{"browser", url}));
  EXPECT_EQ(HandlerArguments("browser %u %F", url), (Words{"browser", url}));
  EXPECT_EQ(HandlerArguments("browser --zoom=100%% %u", url),
            (Words{"browser", "--zoom=100%", url}));
}

TEST(HandlerArguments, UnusableCommandGivesNothingToStart) {
  EXPECT_TRUE(HandlerArguments("", kVendorAddress).empty());
  EXPECT_TRUE(HandlerArguments("   ", kVendorAddress).empty());
  EXPECT_TRUE(HandlerArguments(R"("/opt/browser %u)", kVendorAddress).empty());
  EXPECT_TRUE(HandlerArguments("%i %c", kVendorAddress).empty());
}

// The desktop's default-application settings live in files that GIO reads
// once per process, so every lookup runs in a child of its own over a
// private set of XDG folders.
class DefaultBrowser : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* dir : {"user-data/applications", "user-config", "system-data/applications",
                            "system-config", "programs with spaces"}) {
      fs::create_directories(root_ / dir);
    }
  }
  static void Write(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
  }

  // A handler program that writes its arguments, one a line, into `record`;
  // the rename makes the file appear only when complete.
  fs::path Recorder(const std::string& name) {
    const fs::path script = root_ / "programs with spaces" / name;
    const std::string record = RecordPath().string();
    Write(script, "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" + record +
                      ".tmp' && mv '" + record + ".tmp' '" + record + "'\n");
    chmod(script.c_str(), 0755);
    return script;
  }
  fs::path RecordPath() const { return root_ / "arguments.txt"; }

  void Desktop(const std::string& folder, const std::string& id, const std::string& exec) {
    Write(root_ / folder / "applications" / id,
          "[Desktop Entry]\nType=Application\nName=Recorder\nExec=" + exec + "\n");
  }
  void Defaults(const fs::path& list, const std::string& scheme, const std::string& id) {
    Write(list, "[Default Applications]\nx-scheme-handler/" + scheme + "=" + id + "\n");
  }
  void TypeDefaults(const std::string& lines) {
    Write(UserList(), "[Default Applications]\n" + lines);
  }
  fs::path UserList() const { return root_ / "user-config" / "mimeapps.list"; }

  // OpenInDefaultBrowser(url) in a fresh child: 1 true, 0 false, -1 the
  // child did not finish normally.
  int OpenInChild(const std::string& url) {
    return InChild([&] { return zovaz::OpenInDefaultBrowser(url); });
  }
  template <typename Open>
  int InChild(Open open) {
    const pid_t child = fork();
    if (child == 0) {
      setenv("XDG_DATA_HOME", (root_ / "user-data").c_str(), 1);
      setenv("XDG_CONFIG_HOME", (root_ / "user-config").c_str(), 1);
      setenv("XDG_DATA_DIRS", (root_ / "system-data").c_str(), 1);
      setenv("XDG_CONFIG_DIRS", (root_ / "system-config").c_str(), 1);
      unsetenv("XDG_CURRENT_DESKTOP");
      _exit(open() ? 1 : 0);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
  }

  // The recorded arguments once the handler has run; nothing on time-out.
  std::optional<Words> RecordedArguments(int timeoutMs = 5000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!fs::exists(RecordPath())) {
      if (std::chrono::steady_clock::now() > deadline) return std::nullopt;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::ifstream in(RecordPath());
    Words lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

  zovaz::testing::TempDir temp_;
  const fs::path root_ = temp_.path();
};

TEST_F(DefaultBrowser, UserHandlerReceivesTheAddressAsItsOnlyArgument) {
  Desktop("user-data", "recorder.desktop", "\"" + Recorder("rec.sh").string() + "\" %u");
  Defaults(UserList(), "http", "recorder.desktop");
  ASSERT_EQ(OpenInChild(kVendorAddress), 1);
  EXPECT_EQ(RecordedArguments(), Words{kVendorAddress});
}

TEST_F(DefaultBrowser, AddressWithQueryAndSpacesArrivesUnchangedAsOneArgument) {
  // Registered the way a Windows-minded installer would: quoted placeholder.
  Desktop("user-data", "recorder.desktop",
          "\"" + Recorder("rec.sh").string() + "\" --new-window \"%u\"");
  Defaults(UserList(), "http", "recorder.desktop");
  const std::string address = "http://127.0.0.1:8470/hledat?q=a b&lang=cze&x=\"1\" $HOME %20";
  ASSERT_EQ(OpenInChild(address), 1);
  EXPECT_EQ(RecordedArguments(), (Words{"--new-window", address}));
}

TEST_F(DefaultBrowser, SystemWideDefaultIsUsedWhenTheUserHasNone) {
  Desktop("system-data", "recorder.desktop", "'" + Recorder("rec.sh").string() + "' %U");
  Defaults(root_ / "system-config" / "mimeapps.list", "http", "recorder.desktop");
  ASSERT_EQ(OpenInChild(kVendorAddress), 1);
  EXPECT_EQ(RecordedArguments(), Words{kVendorAddress});
}

TEST_F(DefaultBrowser, FalseAndNothingStartedWithoutAUsableHandler) {
  // Nothing registered at all.
  EXPECT_EQ(OpenInChild(kVendorAddress), 0);

  // A handler for another scheme only.
  Desktop("user-data", "recorder.desktop", "'" + Recorder("rec.sh").string() + "' %u");
  Defaults(UserList(), "mailto", "recorder.desktop");
  EXPECT_EQ(OpenInChild(kVendorAddress), 0);

  // A default naming an application that is not installed.
  Defaults(UserList(), "http", "missing.desktop");
  EXPECT_EQ(OpenInChild(kVendorAddress), 0);

  EXPECT_EQ(RecordedArguments(300), std::nullopt);
}

TEST_F(DefaultBrowser, FalseWhenTheHandlersProgramIsGone) {
  const fs::path program = Recorder("rec.sh");
  Desktop("user-data", "recorder.desktop", "'" + program.string() + "' %u");
  Defaults(UserList(), "http", "recorder.desktop");
  fs::remove(program);
  EXPECT_EQ(OpenInChild(kVendorAddress), 0);
}

TEST_F(DefaultBrowser, SavedFileAndItsFolderOpenInTheDesktopsApplicationsForThem) {
  // The system's types, none of its applications.
  fs::create_directory_symlink("/usr/share/mime", root_ / "system-data" / "mime");
  const fs::path saved = root_ / "Stažené" / "faktura leden.pdf";
  fs::create_directories(saved.parent_path());
  Write(saved, "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n");
  const std::string recorder = "'" + Recorder("rec.sh").string() + "'";
  Desktop("user-data", "viewer.desktop", recorder + " --view %f");
  Desktop("user-data", "files.desktop", recorder + " %U");
  // Neither registered: nothing starts, and the caller hears of it.
  EXPECT_EQ(InChild([&] { return zovaz::OpenWithDesktop(saved.string()); }), 0);
  EXPECT_EQ(InChild([&] { return zovaz::OpenWithDesktop(saved.parent_path().string()); }), 0);

  TypeDefaults("application/pdf=viewer.desktop\ninode/directory=files.desktop\n");
  ASSERT_EQ(InChild([&] { return zovaz::OpenWithDesktop(saved.string()); }), 1);
  EXPECT_EQ(RecordedArguments(), (Words{"--view", saved.string()}));
  fs::remove(RecordPath());
  // A handler that takes addresses only gets the folder's.
  ASSERT_EQ(InChild([&] { return zovaz::OpenWithDesktop(saved.parent_path().string()); }), 1);
  EXPECT_EQ(RecordedArguments(), Words{"file://" + (root_ / "Sta%C5%BEen%C3%A9").string()});
  fs::remove(RecordPath());
  // A file gone since it was saved.
  EXPECT_EQ(InChild([&] { return zovaz::OpenWithDesktop((root_ / "gone.pdf").string()); }), 0);
  EXPECT_EQ(RecordedArguments(300), std::nullopt);
}

}  // namespace
