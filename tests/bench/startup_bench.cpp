// Starts the client and two browsers fresh, one after another, on the same
// page served on loopback, and prints when each one's window showed, when
// the page's background reached the screen, what memory its process tree
// owns and what CPU time it spent; then the client's ratios to the browsers.
// A benchmark, not a test: it reports figures and never fails on them.
//
// Run on its own X display (scripts/bench does): the paint probe reads the
// screen, and any other window would be taken for a subject's.
#include <fcntl.h>
#include <httplib.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "core/app_config.h"
#include "core/data_folder.h"
#include "core/lang_table.h"
#include "core/shop_address.h"
#include "crypto/password_digest.h"
#include "platform/web_renderer.h"

// Last: its macros (None, Success, ...) would break the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr unsigned long kPageColour = 0x2f7d5b;        // every measured page's background
constexpr unsigned long kSessionEndColour = 0x7d2f5b;  // the last page of a session
constexpr int kSessionPages = 20;
std::string shotsFolder;  // where --shots saves each subject's screen when painted
int timeoutSeconds = 20;  // a start that has not painted by then counts as this

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

std::string Format(double mb) {
  char text[32];
  std::snprintf(text, sizeof text, "%.0f", mb);
  return text;
}

// ---------------------------------------------------------------- the server

std::string ItemsPage(const std::string& base, int items, unsigned long colour,
                      const std::string& title, const std::string& next) {
  static const char* const kGoods[] = {"Dřevěná židle",      "Stůl z dubu",      "Lampa na čtení",
                                       "Koberec s třásněmi", "Skříň s zrcadlem", "Křeslo ušák"};
  char background[8];
  std::snprintf(background, sizeof background, "#%06lx", colour);
  std::string page = "<!DOCTYPE html>\n<html lang=\"cs\"><head><meta charset=\"utf-8\"><title>" +
                     title + "</title>\n<link rel=\"stylesheet\" href=\"" + base +
                     "/assets/styles/mainCompact.css\">\n<style>body{background:" + background +
                     ";color:#fff;font:14px sans-serif;margin:8px}li{margin:2px 0}</style>\n";
  if (!next.empty())
    page += "<script>setTimeout(function(){location.href='" + next + "'},1000)</script>\n";
  page += "</head>\n<body>\n<h1>" + title + "</h1>\n<ul>\n";
  for (int i = 1; i <= items; ++i)
    page += "<li>Položka " + std::to_string(i) + " – " + kGoods[i % 6] + ", " +
            std::to_string(490 + 10 * (i % 97)) + " Kč</li>\n";
  return page + "</ul>\n</body></html>\n";
}

// Answers what the client asks for at start and what a session walks
// through; every request waits `latency` first, as a distant shop would.
class BenchServer {
 public:
  BenchServer() {
    server_.set_keep_alive_timeout(1);
    server_.set_pre_routing_handler([this](const httplib::Request&, httplib::Response&) {
      std::this_thread::sleep_for(std::chrono::milliseconds(latencyMs.load()));
      return httplib::Server::HandlerResponse::Unhandled;
    });
    server_.Get(".*/set-compact-mode/logout",
                [this](const httplib::Request&, httplib::Response& res) {
                  res.set_content(ItemsPage(base_, items.load(), kPageColour, "Nabídka", ""),
                                  "text/html; charset=utf-8");
                });
    server_.Get("/assets/.*\\.css", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("ul{list-style:square}h1{font-size:20px}\n", "text/css");
    });
    server_.Get("/assets/.*\\.gif", [](const httplib::Request&, httplib::Response& res) {
      static const unsigned char gif[] = {
          0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 1, 0, 1, 0, 0x80, 0, 0,    0,
          0,    0xff, 0xff, 0xff, 0x21, 0xf9, 4, 1, 0, 0, 0,    0, 0x2c, 0,
          0,    0,    0,    1,    0,    1,    0, 0, 2, 2, 0x44, 1, 0,    0x3b};
      res.set_content(reinterpret_cast<const char*>(gif), sizeof gif, "image/gif");
    });
    // Any name and digest log in: the session starts on the customer page.
    server_.Get(".*/moveup/.*", [this](const httplib::Request&, httplib::Response& res) {
      sessionPage = 0;
      res.set_header("Set-Cookie", "session=bench; Path=/");
      res.set_content(ItemsPage(base_, 200, kPageColour, "Přihlášen", "/shop/1"),
                      "text/html; charset=utf-8");
    });
    server_.Get("/shop/(\\d+)", [this](const httplib::Request& req, httplib::Response& res) {
      const int page = std::atoi(req.matches[1].str().c_str());
      sessionPage = page;
      const bool last = page >= kSessionPages;
      res.set_content(ItemsPage(base_, 200, last ? kSessionEndColour : kPageColour,
                                "Stránka " + std::to_string(page),
                                last ? "" : "/shop/" + std::to_string(page + 1)),
                      "text/html; charset=utf-8");
    });
  }
  ~BenchServer() {
    server_.stop();
    if (thread_.joinable()) thread_.join();
  }

  bool Start() {
    const int port = server_.bind_to_any_port("127.0.0.1");
    if (port <= 0) return false;
    base_ = "http://127.0.0.1:" + std::to_string(port);
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    while (!server_.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return true;
  }
  const std::string& Base() const { return base_; }

  std::atomic<int> items{200};
  std::atomic<int> latencyMs{0};
  std::atomic<int> sessionPage{-1};

 private:
  httplib::Server server_;
  std::thread thread_;
  std::string base_;
};

// ------------------------------------------------------------ the processes

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

std::vector<pid_t> ProcessTree(pid_t root) {
  std::vector<std::pair<pid_t, pid_t>> all;  // pid, parent
  for (const auto& entry : fs::directory_iterator("/proc")) {
    const pid_t pid = std::atoi(entry.path().filename().c_str());
    if (pid > 0) all.emplace_back(pid, ParentOf(pid));
  }
  std::vector<pid_t> tree = {root};
  for (size_t i = 0; i < tree.size(); ++i)
    for (const auto& [pid, parent] : all)
      if (parent == tree[i]) tree.push_back(pid);
  return tree;
}

// The process's name, with its role when it runs as a helper of a browser
// (all of whose processes share one name).
std::string CommandName(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/comm");
  std::string name;
  std::getline(in, name);
  // Some helpers rewrite their command line into one string.
  std::ifstream cmdline("/proc/" + std::to_string(pid) + "/cmdline");
  std::string command((std::istreambuf_iterator<char>(cmdline)), {});
  std::replace(command.begin(), command.end(), '\0', ' ');
  if (const size_t type = command.find(" --type="); type != std::string::npos)
    name += " " + command.substr(type + 8, command.find(' ', type + 8) - type - 8);
  return name;
}

// User plus system time of a process and its reaped children, in seconds.
double CpuSeconds(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string stat((std::istreambuf_iterator<char>(in)), {});
  const size_t close = stat.rfind(')');
  if (close == std::string::npos) return 0;
  std::istringstream rest(stat.substr(close + 2));
  std::string field;
  double ticks = 0;
  for (int i = 3; i <= 17 && rest >> field; ++i)
    if (i >= 14) ticks += std::atof(field.c_str());
  return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

struct Memory {
  double ownMb = 0;
  std::map<std::string, double> privateMbByName;  // per process name
};

// Private pages of every process, plus shared pages counted once for the
// whole tree (a mapping shared by several of its processes counts at its
// largest). PSS would charge the tree for pages other programs map too.
Memory OwnMemory(const std::vector<pid_t>& tree) {
  Memory memory;
  std::map<std::string, long> sharedKb;
  long privateKb = 0;
  for (pid_t pid : tree) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/smaps");
    std::string line, key;
    long processPrivate = 0, mappingShared = 0;
    auto closeMapping = [&] {
      if (!key.empty()) sharedKb[key] = std::max(sharedKb[key], mappingShared);
      mappingShared = 0;
    };
    while (std::getline(in, line)) {
      if (line.empty()) continue;
      if (std::isxdigit(static_cast<unsigned char>(line[0])) &&
          line.find(' ') != std::string::npos && line.find(':') > line.find(' ')) {
        closeMapping();
        std::istringstream header(line);
        std::string range, perms, offset, device, inode;
        header >> range >> perms >> offset >> device >> inode;
        const std::string start = range.substr(0, range.find('-'));
        const unsigned long long size =
            std::stoull(range.substr(range.find('-') + 1), nullptr, 16) -
            std::stoull(start, nullptr, 16);
        // A file's pages are the same wherever it is mapped; anonymous
        // shared pages are inherited at the same address.
        key = inode != "0" ? device + ":" + inode + ":" + offset + ":" + std::to_string(size)
                           : "anon:" + range;
        continue;
      }
      const size_t colon = line.find(':');
      const std::string name = line.substr(0, colon);
      const long kb = std::atol(line.c_str() + colon + 1);
      if (name == "Private_Clean" || name == "Private_Dirty") processPrivate += kb;
      if (name == "Shared_Clean" || name == "Shared_Dirty") mappingShared += kb;
    }
    closeMapping();
    privateKb += processPrivate;
    memory.privateMbByName[CommandName(pid)] += processPrivate / 1024.0;
  }
  long shared = 0;
  for (const auto& [k, kb] : sharedKb) shared += kb;
  memory.ownMb = (privateKb + shared) / 1024.0;
  return memory;
}

// ------------------------------------------------------------ the display

struct WindowBox {
  int x = 0, y = 0, width = 0, height = 0;
};

// Reads the screen without loading the machine: a few requests every 5 ms.
class PaintProbe {
 public:
  PaintProbe() : display_(XOpenDisplay(nullptr)) {
    // Windows come and go between two requests; a vanished one is no error.
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
  }
  ~PaintProbe() {
    if (display_ != nullptr) XCloseDisplay(display_);
  }
  bool Ok() const { return display_ != nullptr; }

  // The first shown top-level window big enough to hold a page.
  std::optional<WindowBox> ShownWindow() {
    Window root = DefaultRootWindow(display_), parent = 0, *children = nullptr;
    unsigned int count = 0;
    std::optional<WindowBox> found;
    if (XQueryTree(display_, root, &root, &parent, &children, &count) == 0) return found;
    for (unsigned int i = 0; i < count && !found; ++i) {
      XWindowAttributes a;
      if (XGetWindowAttributes(display_, children[i], &a) != 0 && a.map_state == IsViewable &&
          a.width >= 300 && a.height >= 300)
        found = WindowBox{a.x, a.y, a.width, a.height};
    }
    if (children != nullptr) XFree(children);
    return found;
  }

  // Whether the page's background shows in the lower right of the window,
  // where no text of the measured pages reaches.
  bool Shows(const WindowBox& box, unsigned long colour) {
    Window root = DefaultRootWindow(display_);
    XImage* image = XGetImage(display_, root, box.x + box.width * 85 / 100,
                              box.y + box.height * 60 / 100, 1, 1, AllPlanes, ZPixmap);
    if (image == nullptr) return false;
    const unsigned long pixel = XGetPixel(image, 0, 0);
    XDestroyImage(image);
    auto near = [](unsigned long a, unsigned long b) {
      for (int shift = 0; shift < 24; shift += 8) {
        const int d = static_cast<int>((a >> shift) & 0xff) - static_cast<int>((b >> shift) & 0xff);
        if (d < -3 || d > 3) return false;
      }
      return true;
    };
    return near(pixel & 0xffffff, colour);
  }

 private:
  Display* display_;
};

// ------------------------------------------------------------ the subjects

struct Subject {
  std::string name;
  std::function<std::vector<std::string>(const std::string& url, const std::string& scratch)>
      command;
  std::vector<std::string> env;  // NAME=VALUE, on top of the bench's own
  bool opensUrl = true;          // false: the client finds its page itself
};

pid_t Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env) {
  const pid_t pid = fork();
  if (pid != 0) return pid;
  setsid();
  for (const std::string& pair : env) putenv(const_cast<char*>(pair.c_str()));
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  const int null = open("/dev/null", O_WRONLY);
  dup2(null, 1);
  dup2(null, 2);
  execvp(args[0], args.data());
  _exit(127);
}

// Helpers a subject starts on its own session (a D-Bus daemon, the
// accessibility bus) outlive it; as the subreaper the bench inherits them,
// so whatever still runs below it once a subject is stopped is ended too.
void EndLeftovers() {
  auto tree = ProcessTree(getpid());
  tree.erase(tree.begin());
  for (pid_t p : tree) kill(p, SIGTERM);
  const auto deadline = Clock::now() + std::chrono::seconds(1);
  while (Clock::now() < deadline && waitpid(-1, nullptr, WNOHANG) >= 0)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  for (pid_t p : tree) kill(p, SIGKILL);
  while (waitpid(-1, nullptr, WNOHANG) > 0) {
  }
}

void Stop(pid_t pid) {
  const auto tree = ProcessTree(pid);
  kill(-pid, SIGTERM);
  for (pid_t p : tree) kill(p, SIGTERM);
  const auto deadline = Clock::now() + std::chrono::seconds(2);
  int status = 0;
  while (waitpid(pid, &status, WNOHANG) == 0 && Clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  kill(-pid, SIGKILL);
  for (pid_t p : tree) kill(p, SIGKILL);
  waitpid(pid, &status, 0);
  EndLeftovers();
}

double LoadAverage() {
  double load = -1;
  if (FILE* f = std::fopen("/proc/loadavg", "r")) {
    if (std::fscanf(f, "%lf", &load) != 1) load = -1;
    std::fclose(f);
  }
  return load;
}

struct Run {
  // A start that never showed or painted counts as the time-out, so that a
  // subject cannot improve its median by failing.
  double shown = -1, painted = -1, cpu = 0;
  bool timedOut = false;
  double load = 0;
  Memory memory;
  std::vector<std::pair<int, Memory>> sessionMemory;  // by page shown
};

Run Measure(const Subject& subject, const std::string& url, const std::string& scratch,
            PaintProbe& probe, BenchServer* session) {
  Run run;
  // The last subject's window must be gone, or it would be taken for this one's.
  const auto clear = Clock::now() + std::chrono::seconds(5);
  while (probe.ShownWindow() && Clock::now() < clear)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  fs::remove_all(scratch);
  fs::create_directories(scratch + "/home");
  std::vector<std::string> env = {"HOME=" + scratch + "/home",
                                  "XDG_CACHE_HOME=" + scratch + "/cache",
                                  "XDG_CONFIG_HOME=" + scratch + "/config"};
  env.insert(env.end(), subject.env.begin(), subject.env.end());
  const unsigned long colour = session != nullptr ? kSessionEndColour : kPageColour;
  int lastPage = -1;
  const auto start = Clock::now();
  const pid_t pid = Spawn(subject.command(url, scratch), env);
  const auto deadline = start + std::chrono::seconds(session != nullptr ? 90 : timeoutSeconds);
  run.load = LoadAverage();
  WindowBox box;
  while (Clock::now() < deadline) {
    if (run.shown < 0) {
      if (auto shown = probe.ShownWindow()) {
        run.shown = Seconds(Clock::now() - start);
        box = *shown;
      }
    }
    if (run.shown >= 0 && probe.Shows(box, colour)) {
      run.painted = Seconds(Clock::now() - start);
      if (!shotsFolder.empty()) {
        std::string file = shotsFolder + "/" + subject.name + ".png";
        std::replace(file.begin() + static_cast<long>(shotsFolder.size()) + 1, file.end(), ' ',
                     '_');
        if (std::system(("import -window root '" + file + "'").c_str()) != 0)
          std::fprintf(stderr, "zovaz_bench: no screenshot %s\n", file.c_str());
      }
      break;
    }
    // Sampled as the next page is asked for: the one before has been shown.
    if (session != nullptr && session->sessionPage != lastPage) {
      lastPage = session->sessionPage;
      if (lastPage == 1 || (lastPage - 1) % 5 == 0)
        run.sessionMemory.emplace_back(lastPage - 1, OwnMemory(ProcessTree(pid)));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  const double limit = Seconds(deadline - start);
  if (run.painted < 0) {
    run.timedOut = true;
    run.painted = limit;
    if (run.shown < 0) run.shown = limit;
  }
  // Memory settles once the page is up: measure a little later.
  std::this_thread::sleep_for(std::chrono::seconds(3));
  const auto tree = ProcessTree(pid);
  run.memory = OwnMemory(tree);
  for (pid_t p : tree) run.cpu += CpuSeconds(p);
  // A subject that ended (or crashed) by then has nothing left to measure.
  if (run.memory.ownMb == 0) run.memory.ownMb = run.cpu = -1;
  Stop(pid);
  return run;
}

double Median(std::vector<double> values) {
  values.erase(std::remove(values.begin(), values.end(), -1.0), values.end());
  if (values.empty()) return -1;
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 != 0 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct Summary {
  double shown, painted, ownMb, cpu;
  int failed;
  int gone;
};

Summary Summarise(const std::vector<Run>& runs) {
  std::vector<double> shown, painted, mb, cpu;
  int failed = 0, gone = 0;
  for (const Run& r : runs) {
    shown.push_back(r.shown);
    painted.push_back(r.painted);
    mb.push_back(r.memory.ownMb);
    cpu.push_back(r.cpu);
    if (r.timedOut) ++failed;
    if (r.memory.ownMb < 0) ++gone;
  }
  return {Median(shown), Median(painted), Median(mb), Median(cpu), failed, gone};
}

// Every subject started `runs` times, one after another, the order turning
// each round so that none always follows the same neighbour.
std::vector<Summary> Scenario(const std::string& title, const std::vector<Subject>& subjects,
                              int runs, const std::string& url, const std::string& scratch,
                              PaintProbe& probe) {
  std::vector<std::vector<Run>> results(subjects.size());
  for (int round = 0; round < runs; ++round) {
    for (size_t k = 0; k < subjects.size(); ++k) {
      const size_t i = (k + round) % subjects.size();
      results[i].push_back(Measure(subjects[i], url, scratch + "/run", probe, nullptr));
      const Run& r = results[i].back();
      std::printf("  round %d %s: shown %.3f, painted %.3f%s, own MB %.0f, load %.2f\n", round + 1,
                  subjects[i].name.c_str(), r.shown, r.painted, r.timedOut ? " (time-out)" : "",
                  r.memory.ownMb, r.load);
      std::fflush(stdout);
    }
  }
  std::printf("\n%s: medians of %d interleaved starts\n", title.c_str(), runs);
  std::printf(
      "| subject | window shown s | page painted s | own MB | CPU s |\n|---|---|---|---|---|\n");
  std::vector<Summary> summaries;
  for (size_t i = 0; i < subjects.size(); ++i) {
    summaries.push_back(Summarise(results[i]));
    const Summary& s = summaries.back();
    std::string notes;
    if (s.failed > 0)
      notes += " " + std::to_string(s.failed) + " never painted (counted as the time-out);";
    if (s.gone > 0) notes += " " + std::to_string(s.gone) + " gone before measured;";
    std::printf("| %s | %.3f | %.3f | %.0f | %.2f |%s\n", subjects[i].name.c_str(), s.shown,
                s.painted, s.ownMb, s.cpu, notes.c_str());
  }
  for (size_t i = 1; i < subjects.size(); ++i) {
    if (subjects[i].name.rfind("client", 0) == 0) continue;
    const Summary& c = summaries[0];
    const Summary& a = summaries[i];
    if (subjects[i].name.rfind("bare", 0) == 0)
      std::printf("client - %s: shown %+.3f s, painted %+.3f s, own MB %+.0f\n",
                  subjects[i].name.c_str(), c.shown - a.shown, c.painted - a.painted,
                  c.ownMb - a.ownMb);
    std::printf("client / %s: shown %.2f×, painted %.2f×, own MB %.2f×, CPU %.2f×\n",
                subjects[i].name.c_str(), c.shown / a.shown, c.painted / a.painted,
                c.ownMb / a.ownMb, c.cpu / a.cpu);
  }
  std::fflush(stdout);
  return summaries;
}

void Session(const std::vector<Subject>& subjects, int runs, BenchServer& server,
             const std::string& loginUrl, const std::string& scratch, PaintProbe& probe) {
  std::printf(
      "\nsession: log in, then %d shop pages in turn (a page a second); own MB, "
      "medians of %d\n",
      kSessionPages, runs);
  std::vector<std::vector<Run>> results(subjects.size());
  for (int round = 0; round < runs; ++round)
    for (size_t i = 0; i < subjects.size(); ++i)
      results[i].push_back(Measure(subjects[i], loginUrl, scratch + "/run", probe, &server));
  auto byProcess = [](const std::vector<const Memory*>& memories) {
    std::map<std::string, std::vector<double>> mbs;
    for (const Memory* m : memories)
      for (const auto& [name, mb] : m->privateMbByName) mbs[name].push_back(mb);
    std::string text;
    for (const auto& [name, values] : mbs) text += " " + name + " " + Format(Median(values)) + ";";
    return text;
  };
  for (size_t i = 0; i < subjects.size(); ++i) {
    std::map<int, std::vector<double>> byPage;
    std::vector<const Memory*> atLogin, atEnd;
    for (const Run& r : results[i]) {
      for (const auto& [page, memory] : r.sessionMemory) {
        byPage[page].push_back(memory.ownMb);
        if (page == 0) atLogin.push_back(&memory);
      }
      atEnd.push_back(&r.memory);
    }
    std::printf("%s: ", subjects[i].name.c_str());
    for (const auto& [page, mbs] : byPage)
      std::printf("%s %.0f, ", page == 0 ? "logged in" : ("page " + std::to_string(page)).c_str(),
                  Median(mbs));
    std::printf("page 20 +3 s %.0f MB\n", Summarise(results[i]).ownMb);
    std::printf("  private MB by process, logged in:%s\n", byProcess(atLogin).c_str());
    std::printf("  private MB by process, page 20:  %s\n", byProcess(atEnd).c_str());
    std::fflush(stdout);
  }
}

void Usage() {
  std::printf(
      "usage: zovaz_bench [--runs N] [--only start|large|huge|slow|session]... [--client PATH]\n"
      "                   [--no-browsers] [--shots DIR] [--compare PATH] [--client-env "
      "NAME=VALUE[,NAME=VALUE]]...\n"
      "  --runs N         starts per subject and scenario (default 7)\n"
      "  --only S         run only the named scenarios (huge: 50,000 items; not run by default)\n"
      "  --client-env E   also measure the client with these variables set\n"
      "  --compare PATH   also measure another build of the client\n"
      "  --no-browsers    measure the client (and its variants) only\n"
      "  --shots DIR      save the screen as each subject paints, to check the probe\n");
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 7;
  std::string client = ZOVAZ_CLIENT_EXE;
  std::vector<std::string> only, variants, others;
  bool browsers = true;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--runs" && hasValue)
      runs = std::max(1, std::atoi(argv[++i]));
    else if (arg == "--only" && hasValue)
      only.push_back(argv[++i]);
    else if (arg == "--client" && hasValue)
      client = argv[++i];
    else if (arg == "--compare" && hasValue)
      others.push_back(argv[++i]);
    else if (arg == "--client-env" && hasValue)
      variants.push_back(argv[++i]);
    else if (arg == "--no-browsers")
      browsers = false;
    else if (arg == "--shots" && hasValue)
      shotsFolder = argv[++i];
    else {
      Usage();
      return arg == "--help" ? 0 : 2;
    }
  }
  auto wanted = [&](const std::string& s) {
    return (only.empty() && s != "huge") || std::find(only.begin(), only.end(), s) != only.end();
  };

  PaintProbe probe;
  if (!probe.Ok()) {
    std::fprintf(stderr, "zovaz_bench: no X display\n");
    return 1;
  }
  signal(SIGPIPE, SIG_IGN);
  // What the subjects start and leave running becomes the bench's to end.
  prctl(PR_SET_CHILD_SUBREAPER, 1);
  std::string scratch = (fs::temp_directory_path() / "zovaz-bench-XXXXXX").string();
  if (mkdtemp(scratch.data()) == nullptr) return 1;
  BenchServer server;
  if (!server.Start()) return 1;

  // The client's own throw-away data folder, with the first-run setup done
  // and pointed at the bench's server; its content stays between starts, as
  // a user's does.
  const std::string dataHome = scratch + "/data";
  const std::string dataDir = zovaz::DataDirOf(dataHome);
  zovaz::RunSetup(fs::path(client).parent_path().string(), dataDir);
  const std::string user = "zakaznik";
  const std::string digest = zovaz::PasswordDigest("heslo123");
  auto configure = [&](bool autoLogin) {
    zovaz::WriteAppConfig(zovaz::ConfigPath(dataDir),
                          {server.Base(), user, digest, autoLogin ? "1" : "0"});
  };
  const std::vector<std::string> clientEnv = {"XDG_DATA_HOME=" + dataHome,
                                              "ZOVAZ_VENDOR_SITE_URL=" + server.Base()};
  std::vector<Subject> subjects;
  subjects.push_back({"client",
                      [client](const std::string&, const std::string&) {
                        return std::vector<std::string>{client};
                      },
                      clientEnv, false});
  for (const std::string& variant : variants) {
    Subject s = subjects.front();
    s.name = "client " + variant;
    std::stringstream list(variant);
    for (std::string pair; std::getline(list, pair, ',');) s.env.push_back(pair);
    subjects.push_back(s);
  }
  for (const std::string& other : others) {
    // Another build of the client, e.g. the one before a change, in the same run.
    subjects.push_back({"client " + other,
                        [other](const std::string&, const std::string&) {
                          return std::vector<std::string>{other};
                        },
                        clientEnv, false});
  }
  // The floor: a bare GTK window with one web view, drawn the way the client
  // has the engine draw.
  const std::vector<std::string> rendererEnv = zovaz::WebRendererChoice();
  subjects.push_back({"bare GTK + WebKit window",
                      [](const std::string& url, const std::string&) {
                        return std::vector<std::string>{ZOVAZ_BARE_WINDOW_EXE, url};
                      },
                      rendererEnv, true});
  if (browsers) {
    // surf on the same drawing settings as the client, so that what the
    // renderer choice wins is not counted as the client's own.
    subjects.push_back({"surf, client's renderer",
                        [](const std::string& url, const std::string&) {
                          return std::vector<std::string>{"surf", url};
                        },
                        rendererEnv, true});
    subjects.push_back({"surf",
                        [](const std::string& url, const std::string&) {
                          return std::vector<std::string>{"surf", url};
                        },
                        {},
                        true});
    subjects.push_back({"chromium --app",
                        [](const std::string& url, const std::string& dir) {
                          return std::vector<std::string>{"chromium",
                                                          "--no-sandbox",
                                                          "--user-data-dir=" + dir + "/profile",
                                                          "--no-first-run",
                                                          "--no-default-browser-check",
                                                          "--disable-background-networking",
                                                          "--disable-component-update",
                                                          "--disable-default-apps",
                                                          "--disable-sync",
                                                          "--password-store=basic",
                                                          "--disable-features=Translate",
                                                          "--window-position=0,0",
                                                          "--window-size=701,640",
                                                          "--app=" + url};
                        },
                        {},
                        true});
  }

  const std::string pageUrl = zovaz::LogoutPageAddress(server.Base(), zovaz::kCzechLang);
  configure(false);
  std::printf(
      "Started fresh, one after another, on a page served on loopback; times in seconds "
      "from spawn; own MB = private pages plus shared pages counted once in the process "
      "tree, 3 s after painting; CPU = the tree's user + system time by then.\n");
  std::vector<Summary> base;
  if (wanted("start")) base = Scenario("200 items", subjects, runs, pageUrl, scratch, probe);
  if (wanted("large")) {
    server.items = 5000;
    const auto large = Scenario("5,000 items", subjects, runs, pageUrl, scratch, probe);
    server.items = 200;
    if (!base.empty()) {
      std::printf("5,000 / 200 items, painted:");
      for (size_t i = 0; i < subjects.size(); ++i)
        std::printf(" %s %.2f×;", subjects[i].name.c_str(), large[i].painted / base[i].painted);
      std::printf("\n");
    }
  }
  if (wanted("huge")) {
    server.items = 50000;
    timeoutSeconds = 60;
    Scenario("50,000 items", subjects, runs, pageUrl, scratch, probe);
    timeoutSeconds = 20;
    server.items = 200;
  }
  if (wanted("slow")) {
    server.latencyMs = 200;
    Scenario("200 items, 200 ms per request", subjects, runs, pageUrl, scratch, probe);
    server.latencyMs = 0;
  }
  if (wanted("session")) {
    configure(true);
    std::vector<Subject> pair;
    for (const Subject& s : subjects)
      if (s.name.rfind("client", 0) == 0 || s.name.rfind("chromium", 0) == 0) pair.push_back(s);
    Session(pair, std::max(1, runs / 3), server,
            zovaz::LoginAddress(server.Base(), zovaz::kCzechLang, user, digest), scratch, probe);
    configure(false);
  }
  fs::remove_all(scratch);
  return 0;
}
