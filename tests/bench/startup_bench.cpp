// Prints how long the main window takes from creation to its first shown
// page, and how much memory the client and its web engine processes use.
// A benchmark, not a test: it reports figures and never fails on them.
#include <dirent.h>
#include <glib.h>
#include <unistd.h>
#include <wx/app.h>
#include <wx/init.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "Unit1.h"
#include "core/data_folder.h"
#include "core/text_file.h"
#include "shop_server.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

class BenchApp : public wxApp {
 public:
  bool OnInit() override { return true; }
};

class SilentMessages : public zovaz::MessageSink {
 public:
  void Inform(const std::string&) override {}
  void Error(const std::string& text) override {
    std::fprintf(stderr, "error box: %s\n", text.c_str());
  }
};

void Pump() {
  while (g_main_context_iteration(nullptr, FALSE)) {
  }
  wxTheApp->ProcessPendingEvents();
  wxTheApp->ProcessIdle();
}

// Proportional set size in kB of one process (0 when it is gone).
long PssKb(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/smaps_rollup");
  std::string key;
  long value = 0;
  while (in >> key) {
    if (key == "Pss:") {
      in >> value;
      return value;
    }
    in.ignore(1 << 20, '\n');
  }
  return 0;
}

pid_t ParentOf(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string stat((std::istreambuf_iterator<char>(in)), {});
  const size_t close = stat.rfind(')');
  if (close == std::string::npos) return 0;
  std::istringstream rest(stat.substr(close + 2));
  char state = 0;
  pid_t parent = 0;
  rest >> state >> parent;
  return parent;
}

// This process and every process below it (the web engine's helpers).
std::vector<pid_t> ProcessTree() {
  std::vector<pid_t> tree = {getpid()};
  for (size_t i = 0; i < tree.size(); ++i) {
    DIR* proc = opendir("/proc");
    while (dirent* entry = readdir(proc)) {
      const pid_t pid = std::atoi(entry->d_name);
      if (pid > 0 && ParentOf(pid) == tree[i]) tree.push_back(pid);
    }
    closedir(proc);
  }
  return tree;
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::atoi(argv[1]) : 5;
  std::string home = (fs::temp_directory_path() / "zovaz-bench-XXXXXX").string();
  if (mkdtemp(home.data()) == nullptr) return 1;
  setenv("HOME", home.c_str(), 1);
  setenv("XDG_CACHE_HOME", (home + "/cache").c_str(), 1);
  setenv("XDG_DATA_HOME", (home + "/data").c_str(), 1);

  wxApp::SetInstance(new BenchApp);
  if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit()) return 1;

  zovaz::shop::ShopServer shop;
  if (shop.Start() <= 0) return 1;
  const std::string exeDir = home + "/exe";
  fs::copy(ZOVAZ_DATA_DIR, exeDir, fs::copy_options::recursive);
  zovaz::WriteFileAtomically(exeDir + "/app.cfg",
                             zovaz::JoinTextLines({shop.BaseUrl(), "", "", "0"}));
  zovaz::RunSetup(exeDir, zovaz::DataDirOf(home + "/data"));

  SilentMessages messages;
  std::printf("start-up to first shown page (offline page refreshed from the shop):\n");
  for (int run = 1; run <= runs; ++run) {
    TForm1Environment environment{home + "/data", exeDir, shop.BaseUrl(), "Marlevo", &messages, {}, {}};
    bool shown = false;
    const auto start = Clock::now();
    auto* form = new TForm1(environment);
    form->WebBrowser_V11->OnNavigateComplete([&](const std::string&) { shown = true; });
    form->Show();
    while (!shown && Clock::now() - start < std::chrono::seconds(30)) {
      Pump();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    long pss = 0;
    const auto tree = ProcessTree();
    for (pid_t pid : tree) pss += PssKb(pid);
    std::printf("  run %d%s: %7.1f ms, PSS %6ld MB over %zu processes\n", run,
                run == 1 ? " (cold engine)" : "", ms, pss / 1024, tree.size());
    form->Destroy();
    for (int i = 0; i < 20; ++i) Pump();
  }
  shop.Stop();
  wxTheApp->OnExit();
  wxEntryCleanup();
  fs::remove_all(home);
  return 0;
}
