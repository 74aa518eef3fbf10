#include "platform/single_instance.h"

#include <glib.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <future>
#include <memory>
#include <thread>
#include <vector>

#include "common/test_files.h"
#include "common/test_servers.h"
#include "core/data_folder.h"

using namespace zovaz;
using namespace zovaz::testing;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

void RunLoopOnce() {
  while (g_main_context_iteration(nullptr, FALSE)) {
  }
}

// The asker runs on another thread, as a second process would, while this
// thread runs the main loop that the holder answers from.
template <typename Ask>
auto WhileLoopRuns(Ask ask) {
  auto result = std::async(std::launch::async, ask);
  while (result.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready) RunLoopOnce();
  return result.get();
}

std::function<bool(const std::string&)> Counting(int& raised) {
  return [&raised](const std::string&) {
    ++raised;
    return true;
  };
}

long long MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

}  // namespace

TEST(SingleInstanceLock, OneHolderPerDataFolderWhicheverPathLeadsThere) {
  TempDir home;
  const std::string dataDir = DataDirOf(home / "share");
  SingleInstance first(dataDir);
  EXPECT_FALSE(first.AlreadyRunning());
  EXPECT_TRUE(SingleInstance(dataDir).AlreadyRunning());

  // The same folder under another name must not slip past the lock.
  fs::create_directory_symlink(home / "share", home / "link");
  EXPECT_TRUE(SingleInstance(DataDirOf(home / "link")).AlreadyRunning());
  EXPECT_TRUE(SingleInstance(DataDirOf(home / "share/../share")).AlreadyRunning());

  // Another user's or another XDG_DATA_HOME's folder is free.
  SingleInstance other(DataDirOf(home / "other"));
  EXPECT_FALSE(other.AlreadyRunning());
}

TEST(SingleInstanceLock, FirstRunLocksBeforeTheDataFolderExists) {
  TempDir home;
  const std::string localAppData = home / "fresh/.local/share";
  const std::string dataDir = DataDirOf(localAppData);
  SingleInstance first(dataDir);
  EXPECT_FALSE(first.AlreadyRunning());
  EXPECT_TRUE(SingleInstance(dataDir).AlreadyRunning());
  EXPECT_EQ(ModeOf(home / "fresh/.local"), 0700u);
  EXPECT_EQ(ModeOf(localAppData), 0700u);
  EXPECT_EQ(ModeOf(InstanceLockPath(dataDir)), 0600u);
  // The folder itself is left to the setup, which must still run.
  EXPECT_FALSE(Exists(dataDir));
  EXPECT_TRUE(SetupNeeded(dataDir));
}

TEST(SingleInstanceLock, ALockThatCannotBeOpenedLetsTheClientRunAlone) {
  // Taken for "already running", it would end every start without a window.
  TempDir home;
  const std::string dataDir = DataDirOf(home.path());
  fs::create_directories(InstanceLockPath(dataDir));
  SingleInstance instance(dataDir);
  EXPECT_FALSE(instance.AlreadyRunning());
  EXPECT_FALSE(instance.HandOverToRunning(200));
}

TEST(SingleInstanceLock, EndedHolderLeavesItsFileButNotItsLock) {
  TempDir home;
  const std::string dataDir = DataDirOf(home.path());
  auto first = std::make_unique<SingleInstance>(dataDir);
  SingleInstance waiting(dataDir);
  ASSERT_TRUE(waiting.AlreadyRunning());
  first.reset();
  EXPECT_TRUE(Exists(InstanceLockPath(dataDir)));
  EXPECT_FALSE(waiting.AlreadyRunning());  // and holds it from now on
  EXPECT_TRUE(SingleInstance(dataDir).AlreadyRunning());
}

TEST(SingleInstanceLock, KilledHolderBlocksNeitherTheLockNorTheAddress) {
  TempDir home;
  const std::string dataDir = DataDirOf(home.path());
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    SingleInstance holder(dataDir);
    const bool listening =
        !holder.AlreadyRunning() && holder.ListenForRaise([](const std::string&) { return true; });
    const char state = listening ? 'y' : 'n';
    if (write(ready[1], &state, 1) != 1) _exit(1);
    pause();
    _exit(0);
  }
  close(ready[1]);
  pollfd readable{ready[0], POLLIN, 0};
  char state = 0;
  const bool started = poll(&readable, 1, 5000) == 1 && read(ready[0], &state, 1) == 1;
  close(ready[0]);

  SingleInstance next(dataDir);
  const bool blockedWhileAlive = next.AlreadyRunning();
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  ASSERT_TRUE(started);
  ASSERT_EQ(state, 'y');
  EXPECT_TRUE(blockedWhileAlive);

  EXPECT_FALSE(next.AlreadyRunning());
  int raised = 0;
  EXPECT_TRUE(next.ListenForRaise(Counting(raised)));
  SingleInstance asker(dataDir);
  EXPECT_TRUE(WhileLoopRuns([&] { return asker.AskRunningToRaise(); }));
  EXPECT_EQ(raised, 1);
}

TEST(SingleInstanceRaise, SecondStartReachesTheHolderAndMustEnd) {
  TempDir home;
  const std::string dataDir = DataDirOf(home.path());
  SingleInstance first(dataDir);
  int raised = 0;
  ASSERT_TRUE(first.ListenForRaise(Counting(raised)));

  SingleInstance second(dataDir);
  EXPECT_TRUE(WhileLoopRuns([&] { return second.AskRunningToRaise(); }));
  EXPECT_EQ(raised, 1);
  EXPECT_TRUE(WhileLoopRuns([&] { return second.HandOverToRunning(); }));
  EXPECT_EQ(raised, 2);
  // Only the holder answers.
  EXPECT_FALSE(second.ListenForRaise([](const std::string&) { return true; }));
}

TEST(SingleInstanceRaise, BusyHolderIsWaitedForBrieflyAndRaisedOnceFree) {
  TempDir home;
  const std::string dataDir = DataDirOf(home.path());
  SingleInstance first(dataDir);
  int raised = 0;
  ASSERT_TRUE(first.ListenForRaise(Counting(raised)));

  // Nothing runs the loop, as while the holder's start-up sequence blocks.
  SingleInstance second(dataDir);
  const auto start = Clock::now();
  EXPECT_TRUE(second.HandOverToRunning(300));
  EXPECT_GE(MillisecondsSince(start), 250);
  EXPECT_LT(MillisecondsSince(start), 2000);
  EXPECT_EQ(raised, 0);

  const auto deadline = Clock::now() + std::chrono::seconds(2);
  while (raised == 0 && Clock::now() < deadline) RunLoopOnce();
  EXPECT_EQ(raised, 1);
}

TEST(SingleInstanceRaise, HolderThatNeverListensStillEndsTheSecondStart) {
  TempDir home;
  const std::string dataDir = DataDirOf(home.path());
  SingleInstance first(dataDir);
  SingleInstance second(dataDir);
  const auto start = Clock::now();
  EXPECT_FALSE(second.AskRunningToRaise(300));
  EXPECT_TRUE(second.HandOverToRunning(300));
  EXPECT_LT(MillisecondsSince(start), 2000);
}

TEST(SingleInstanceRaise, HolderOnItsWayOutHandsTheFolderOver) {
  TempDir home;
  const std::string dataDir = DataDirOf(home.path());
  auto first = std::make_unique<SingleInstance>(dataDir);
  SingleInstance second(dataDir);
  ASSERT_TRUE(second.AlreadyRunning());
  std::thread ending([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    first.reset();
  });
  const auto start = Clock::now();
  const bool mustEnd = second.HandOverToRunning(5000);
  const auto waited = MillisecondsSince(start);
  ending.join();
  EXPECT_FALSE(mustEnd);
  EXPECT_LT(waited, 2000);
  EXPECT_TRUE(SingleInstance(dataDir).AlreadyRunning());
}

TEST(SingleInstanceRaise, RequestWaitsUntilAWindowIsShownAndCarriesTheStartupIdAndLink) {
  TempDir home;
  const std::string dataDir = DataDirOf(home.path());
  SingleInstance first(dataDir);
  int tries = 0;
  std::string startupId;
  std::vector<std::string> links;
  // No window for the first tries, as while the start-up has none shown.
  ASSERT_TRUE(first.ListenForRaise(
      [&](const std::string& id) {
        startupId = id;
        return ++tries >= 3;
      },
      [&](const std::string& link) { links.push_back(link); }));
  SingleInstance second(dataDir);
  // Longer than any line of the older exchange.
  const std::string link = "zovaz://obchod.test/cze/produkt?id=" + std::string(3000, '7');
  const auto start = Clock::now();
  EXPECT_TRUE(
      WhileLoopRuns([&] { return second.AskRunningToRaise(5000, "launcher-1_TIME42", link); }));
  EXPECT_GE(MillisecondsSince(start), 150);
  EXPECT_EQ(tries, 3);
  EXPECT_EQ(startupId, "launcher-1_TIME42");
  // Handed on once, with the window up, however often the raise was tried.
  EXPECT_EQ(links, std::vector<std::string>{link});
  // A line break cannot end the address early and leave a shorter one.
  tries = 0;
  EXPECT_TRUE(WhileLoopRuns(
      [&] { return second.AskRunningToRaise(5000, "", "zovaz://obchod.test/a\nopen b"); }));
  EXPECT_EQ(links.back(), "zovaz://obchod.test/a open b");
  EXPECT_EQ(startupId, "");

  // An asker that gives up is not answered later.
  tries = -1000;
  EXPECT_FALSE(WhileLoopRuns([&] { return second.AskRunningToRaise(300); }));
  const int triesWhenGone = tries;
  const auto deadline = Clock::now() + std::chrono::milliseconds(400);
  while (Clock::now() < deadline) RunLoopOnce();
  EXPECT_LE(tries - triesWhenGone, 1);
}

TEST(SingleInstanceRaise, ChannelLiesOnlyWhereNoOtherUserCanCreateIt) {
  TempDir home;
  TempDir runtime;
  const std::string dataDir = DataDirOf(home / "share");
  const char* saved = std::getenv("XDG_RUNTIME_DIR");
  const std::string previous = saved != nullptr ? saved : "";
  // Group or others allowed to write, sticky or not, and it is passed over.
  for (const mode_t mode : {0700, 0755, 0770, 0777, 01777}) {
    SCOPED_TRACE(mode);
    const bool trusted = (mode & 022) == 0;
    fs::permissions(runtime.path(), fs::perms(mode));
    setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
    {
      SingleInstance first(dataDir);
      ASSERT_TRUE(first.ListenForRaise([](const std::string&) { return true; }));
      const auto sockets = ListFolder(runtime.path());
      // A folder others may write to is passed over for the one beside the lock.
      EXPECT_EQ(sockets.size(), trusted ? 1u : 0u);
      EXPECT_EQ(Exists(dataDir + ".channel"), !trusted);
      SingleInstance second(dataDir);
      EXPECT_TRUE(WhileLoopRuns([&] { return second.AskRunningToRaise(); }));
    }
    // Gone with its holder.
    EXPECT_TRUE(ListFolder(runtime.path()).empty());
  }
  if (saved != nullptr)
    setenv("XDG_RUNTIME_DIR", previous.c_str(), 1);
  else
    unsetenv("XDG_RUNTIME_DIR");
}

TEST(SingleInstanceRaise, AChannelPathTooLongForASocketIsNotCutShort) {
  // Beside the lock only (no runtime folder): a path of 107 bytes is the
  // longest a socket address holds with its end mark; one byte more cut
  // off would name another file.
  TempDir base;
  const char* saved = std::getenv("XDG_RUNTIME_DIR");
  const std::string previous = saved != nullptr ? saved : "";
  unsetenv("XDG_RUNTIME_DIR");
  for (const size_t length : {107u, 108u}) {
    SCOPED_TRACE(length);
    const std::string folder = base / std::to_string(length);
    const size_t fill = length - folder.size() - std::string("/.channel").size();
    const std::string dataDir = folder + "/" + std::string(fill, 'd');
    ASSERT_EQ((dataDir + ".channel").size(), length);
    SingleInstance first(dataDir);
    ASSERT_FALSE(first.AlreadyRunning());
    const bool listening = first.ListenForRaise([](const std::string&) { return true; });
    EXPECT_EQ(listening, length == 107u);
    SingleInstance second(dataDir);
    EXPECT_TRUE(second.AlreadyRunning());
    EXPECT_EQ(WhileLoopRuns([&] { return second.AskRunningToRaise(300); }), listening);
    // Nothing under a shortened name.
    for (const std::string& name : ListFolder(folder))
      EXPECT_TRUE(name == fs::path(dataDir).filename().string() + ".lock" ||
                  name == fs::path(dataDir).filename().string() + ".channel")
          << name;
  }
  if (saved != nullptr) setenv("XDG_RUNTIME_DIR", previous.c_str(), 1);
}
