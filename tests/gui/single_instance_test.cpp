// The built client as the user starts it: separate processes on temporary
// data folders, with a vendor site that refuses connections at once.
#include "platform/single_instance.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <wx/frame.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "common/test_servers.h"
#include "core/data_folder.h"
#include "core/text_file.h"
#include "gui_support.h"

extern char** environ;

namespace fs = std::filesystem;

namespace zovaz::testing {
namespace {

using Clock = std::chrono::steady_clock;

std::string RefusingSiteUrl() {
  const int listener = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  bind(listener, reinterpret_cast<sockaddr*>(&address), length);
  getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
  close(listener);
  return "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port));
}

// A data folder the client starts from without the first-run message.
void PrepareDataFolder(const std::string& localAppData, const std::string& siteUrl,
                       bool autoLogin = false) {
  const std::string dataDir = DataDirOf(localAppData);
  RunSetup(ExeDirOf(ZOVAZ_EXECUTABLE), dataDir);
  WriteFile(ConfigPath(dataDir), JoinTextLines({siteUrl, autoLogin ? "zakaznik" : "",
                                                autoLogin ? "0123456789abcdef0123456789abcdef" : "",
                                                autoLogin ? "1" : "0"}));
}

class ClientProcess {
 public:
  ClientProcess(const std::string& localAppData, const std::string& siteUrl,
                std::vector<std::string> arguments = {})
      : log_(localAppData + "/client-" + std::to_string(++started_) + ".log") {
    std::vector<std::string> variables;
    for (char** variable = environ; *variable != nullptr; ++variable) {
      const std::string entry = *variable;
      if (entry.rfind("XDG_DATA_HOME=", 0) != 0 && entry.rfind("ZOVAZ_VENDOR_SITE_URL=", 0) != 0)
        variables.push_back(entry);
    }
    variables.push_back("XDG_DATA_HOME=" + localAppData);
    variables.push_back("ZOVAZ_VENDOR_SITE_URL=" + siteUrl);
    variables.push_back("ZOVAZ_VERBOSE=1");
    std::vector<char*> envp;
    for (std::string& entry : variables) envp.push_back(entry.data());
    envp.push_back(nullptr);
    std::string program = ZOVAZ_EXECUTABLE;
    std::vector<char*> argv{program.data()};
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, log_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), envp.data()) != 0)
      pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
  }

  ~ClientProcess() { Kill(); }

  bool Running() {
    Reap(WNOHANG);
    return pid_ > 0;
  }

  // Its exit status once it ended; -1 when it was still running after
  // `timeoutMs`. The test's own loop runs meanwhile.
  int WaitForExit(int timeoutMs) {
    PumpUntil([this] { return !Running(); }, timeoutMs);
    return pid_ > 0 ? -1 : status_;
  }

  void Kill() {
    if (!Running()) return;
    kill(pid_, SIGKILL);
    Reap(0);
  }

  std::string Log() const { return "client output:\n" + ReadFile(log_); }

 private:
  void Reap(int options) {
    int status = 0;
    if (pid_ <= 0 || waitpid(pid_, &status, options) != pid_) return;
    status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    pid_ = -1;
  }

  static inline int started_ = 0;
  std::string log_;
  pid_t pid_ = -1;
  int status_ = -1;
};

// True once some client holds the folder and answers. The probe lets go at
// once when it finds the folder free, so that a client still starting can
// take it over.
bool WaitUntilAnswering(const std::string& localAppData, int timeoutMs) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (Clock::now() < deadline) {
    {
      SingleInstance probe(DataDirOf(localAppData));
      if (probe.AlreadyRunning() && probe.AskRunningToRaise()) return true;
    }
    PumpFor(100);
  }
  return false;
}

TEST(SingleInstanceProcess, SecondStartRaisesTheRunningWindowAndEndsAtOnce) {
  TempDir appData;
  const std::string dataDir = DataDirOf(appData.path());
  SingleInstance running(dataDir);
  ASSERT_FALSE(running.AlreadyRunning());
  // Hidden, as a window that the user has put away.
  auto* window = new wxFrame(nullptr, wxID_ANY, "running");
  int raised = 0;
  ASSERT_TRUE(running.ListenForRaise([&](const std::string&) {
    ++raised;
    BringToFront(*window);
    return true;
  }));

  ClientProcess second(appData.path(), RefusingSiteUrl());
  const auto start = Clock::now();
  EXPECT_EQ(second.WaitForExit(10000), 0) << second.Log();
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
  EXPECT_EQ(raised, 1);
  EXPECT_TRUE(window->IsShown());
  // Not even the first-run setup touched the folder that is in use.
  EXPECT_FALSE(fs::exists(dataDir));
  window->Destroy();
  PumpFor(50);
}

TEST(SingleInstanceProcess, RealClientsKeepToOnePerDataFolderAndOutliveAKilledOne) {
  const std::string site = RefusingSiteUrl();
  TempDir shared;
  TempDir other;
  PrepareDataFolder(shared.path(), site);
  PrepareDataFolder(other.path(), site);

  ClientProcess first(shared.path(), site);
  ASSERT_TRUE(WaitUntilAnswering(shared.path(), 60000)) << first.Log();
  ASSERT_TRUE(first.Running());

  ClientProcess second(shared.path(), site);
  EXPECT_EQ(second.WaitForExit(10000), 0) << second.Log();
  EXPECT_TRUE(first.Running());

  ClientProcess elsewhere(other.path(), site);
  EXPECT_TRUE(WaitUntilAnswering(other.path(), 60000)) << elsewhere.Log();
  EXPECT_TRUE(elsewhere.Running());

  // A crash leaves the lock file behind; the next start must run anyway.
  first.Kill();
  ASSERT_TRUE(fs::exists(InstanceLockPath(DataDirOf(shared.path()))));
  ClientProcess next(shared.path(), site);
  EXPECT_TRUE(WaitUntilAnswering(shared.path(), 60000)) << next.Log();
  EXPECT_TRUE(next.Running()) << next.Log();
}

TEST(SingleInstanceProcess, StartDuringASlowStartUpRaisesTheFirstWindowOnceShown) {
  zovaz::testing::UnansweringListener site;
  TempDir appData;
  PrepareDataFolder(appData.path(), site.Url(), true);
  ClientProcess first(appData.path(), site.Url());
  const auto start = Clock::now();
  // Answered only once a window (here the progress window) is up, long
  // before the start-up's downloads give up.
  ASSERT_TRUE(WaitUntilAnswering(appData.path(), 20000)) << first.Log();
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(12));
  ClientProcess second(appData.path(), site.Url());
  EXPECT_EQ(second.WaitForExit(10000), 0) << second.Log();
  EXPECT_TRUE(first.Running()) << first.Log();
}

TEST(SingleInstanceProcess, DesktopLinksShowTheShopsOwnPagesInTheRunningClientOnly) {
  shop::ShopServer shop;
  ASSERT_GT(shop.Start(), 0);
  const auto requested = [&shop](const std::string& path) {
    for (const std::string& request : shop.Requests())
      if (request.rfind("GET " + path + " ", 0) == 0) return true;
    return false;
  };
  TempDir appData;
  PrepareDataFolder(appData.path(), shop.BaseUrl());
  const std::string host = "zovaz://127.0.0.1:" + std::to_string(shop.Port());

  // A link given at start is shown once the start-up is over.
  ClientProcess first(appData.path(), shop.BaseUrl(), {"--verbose", host + "/cze/produkt/1"});
  ASSERT_TRUE(PumpUntil([&] { return requested("/cze/produkt/1"); }, 60000)) << first.Log();

  // Handed to the running client by a second start, which ends.
  ClientProcess second(appData.path(), shop.BaseUrl(), {"https://127.0.0.1/cze/kosik?k=1"});
  EXPECT_EQ(second.WaitForExit(10000), 0) << second.Log();
  EXPECT_TRUE(PumpUntil([&] { return requested("/cze/kosik?k=1"); }, 10000)) << first.Log();

  // Refused: another host, and the shop's own host with a login in it.
  for (const std::string& link :
       {std::string("zovaz://elsewhere.test/cze/kosik"),
        host + "/cze/moveup/zakaznik/movedown/0123456789abcdef0123456789abcdef"}) {
    ClientProcess refused(appData.path(), shop.BaseUrl(), {link});
    EXPECT_EQ(refused.WaitForExit(10000), 0) << refused.Log();
  }
  EXPECT_TRUE(PumpUntil(
      [&] {
        const std::string log = first.Log();
        return log.find("link not opened: another host") != std::string::npos &&
               log.find("link not opened: it carries the login secret") != std::string::npos;
      },
      10000))
      << first.Log();
  EXPECT_FALSE(requested("/cze/moveup/zakaznik/movedown/0123456789abcdef0123456789abcdef"));
  EXPECT_TRUE(first.Running()) << first.Log();
}

TEST(SingleInstanceProcess, AFolderOrLockOfAnotherUserIsRefusedBeforeAnythingIsWritten) {
  if (geteuid() != 0) GTEST_SKIP() << "giving a folder to another user needs root";
  constexpr uid_t kOther = 65534;
  const std::string site = RefusingSiteUrl();
  for (const bool lockIsTheirs : {false, true}) {
    SCOPED_TRACE(lockIsTheirs ? "their lock" : "their folder");
    // A shared, world-writable XDG_DATA_HOME where someone else was first.
    TempDir appData;
    fs::permissions(appData.path(), fs::perms(01777));
    const std::string dataDir = DataDirOf(appData.path());
    const std::string lock = InstanceLockPath(dataDir);
    if (lockIsTheirs) {
      PrepareDataFolder(appData.path(), site);
      WriteFile(lock, "");
      ASSERT_EQ(chown(lock.c_str(), kOther, kOther), 0);
    } else {
      fs::create_directories(dataDir);
      WriteFile(ConfigPath(dataDir), "http://theirs.test\r\n");
      fs::permissions(dataDir, fs::perms(0777));
      ASSERT_EQ(chown(dataDir.c_str(), kOther, kOther), 0);
    }
    const std::vector<std::string> before = ListFolder(dataDir);

    ClientProcess client(appData.path(), site);
    // The refusal is an error box; once it is dismissed the client ends.
    EXPECT_TRUE(PumpUntil(
        [] {
          return std::system("xdotool search --onlyvisible --name '^Marlevo' >/dev/null") == 0;
        },
        30000))
        << client.Log();
    EXPECT_EQ(std::system("xdotool search --onlyvisible --name '^Marlevo' windowfocus --sync "
                          "key --clearmodifiers Return"),
              0);
    EXPECT_GT(client.WaitForExit(10000), 0) << client.Log();
    EXPECT_EQ(ListFolder(dataDir), before);
    EXPECT_EQ(ModeOf(dataDir), lockIsTheirs ? 0700u : 0777u);
    EXPECT_EQ(Exists(lock), lockIsTheirs);
  }
}

}  // namespace
}  // namespace zovaz::testing
