#include "platform/single_instance.h"

#include <fcntl.h>
#include <glib-unix.h>
#include <gtk/gtk.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <wx/toplevel.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>
#include <vector>

#include "core/data_folder.h"

namespace fs = std::filesystem;

namespace zovaz {

namespace {

using Clock = std::chrono::steady_clock;

constexpr char kRaiseRequest[] = "raise";
constexpr char kRaiseAnswer[] = "ok";
// An address to show comes as a second line, so that a holder that knows
// only the first still raises its window.
constexpr char kOpenLine[] = "open ";
// A line longer than any message of the exchange is not one of them.
constexpr size_t kMaxLine = 256;
// The raise line and an address of the longest length a link may have.
constexpr size_t kMaxRequest = kMaxLine + 4200;
// Only the same user can connect, so this merely bounds the descriptors a
// misbehaving program of the user's own can tie up.
constexpr size_t kMaxPendingRequests = 16;

// A socket path is only as trustworthy as its folder: one that others can
// write to would let them bind the name first.
bool OnlyUserCanCreateIn(const std::string& folder) {
  struct stat status {};
  return !folder.empty() && folder[0] == '/' && ::lstat(folder.c_str(), &status) == 0 &&
         S_ISDIR(status.st_mode) && status.st_uid == geteuid() && (status.st_mode & 022) == 0;
}

bool SocketAddress(const std::string& path, sockaddr_un& address, socklen_t& length) {
  std::memset(&address, 0, sizeof address);
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, path.data(), path.size());
  length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + path.size() + 1);
  return true;
}

// Start-up ids are the desktop's; only their printable part is passed on.
std::string Printable(const std::string& text) {
  std::string out;
  for (const char c : text)
    if (c > ' ' && c < 127) out += c;
  return out.substr(0, 200);
}

// Whoever is at the other end must be this same user, whatever the folder.
bool PeerIsSameUser(int fd) {
  ucred credentials{};
  socklen_t length = sizeof credentials;
  return getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &length) == 0 &&
         credentials.uid == geteuid();
}

int MillisecondsLeft(Clock::time_point deadline) {
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return static_cast<int>(std::max<long long>(left, 0));
}

// One line whatever it holds: a line break would end the address early and
// the rest could pass for a shorter one. A space has no place in an address,
// so the altered one is refused rather than shown.
std::string OneLine(std::string text) {
  for (char& c : text)
    if (static_cast<unsigned char>(c) < ' ' || c == 0x7f) c = ' ';
  return text.substr(0, kMaxRequest - kMaxLine - sizeof kOpenLine - 1);
}

// Sends the request and waits for the answer line until the deadline.
bool Converse(int fd, Clock::time_point deadline, const std::string& startupId,
              const std::string& link) {
  if (!PeerIsSameUser(fd)) return false;
  const std::string id = Printable(startupId);
  // In one piece, so that the holder reads the address with the request.
  const std::string request = std::string(kRaiseRequest) + (id.empty() ? "" : " " + id) + "\n" +
                              (link.empty() ? "" : kOpenLine + OneLine(link) + "\n");
  if (send(fd, request.data(), request.size(), MSG_NOSIGNAL) !=
      static_cast<ssize_t>(request.size()))
    return false;
  std::string reply;
  for (;;) {
    pollfd readable{fd, POLLIN, 0};
    const int ready = poll(&readable, 1, MillisecondsLeft(deadline));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return false;
    char buffer[16];
    const ssize_t count = read(fd, buffer, sizeof buffer);
    if (count < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (count <= 0) return false;
    reply.append(buffer, static_cast<size_t>(count));
    const size_t end = reply.find('\n');
    if (end != std::string::npos) return reply.substr(0, end) == kRaiseAnswer;
    if (reply.size() > kMaxLine) return false;
  }
}

}  // namespace

struct SingleInstance::Request {
  Request(SingleInstance& server, int socket) : owner(server), fd(socket) {}
  ~Request() {
    if (source != 0) g_source_remove(source);
    close(fd);
  }
  SingleInstance& owner;
  int fd;
  unsigned source = 0;
  std::string received;
  bool waiting = false;  // read whole, not yet answered
  std::string startupId;
  std::string link;
};

SingleInstance::SingleInstance(const std::string& dataDir) {
  const std::string lockPath = InstanceLockPath(dataDir);
  CreatePrivateFolders(fs::path(lockPath).parent_path().string());
  // The file stays after the lock is released: removing it would let a
  // starting client lock a file that a later one no longer finds.
  lockFd_ = open(lockPath.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (lockFd_ < 0) return;
  struct stat status {};
  if (fstat(lockFd_, &status) != 0 || !S_ISREG(status.st_mode) || status.st_uid != geteuid()) {
    close(lockFd_);
    lockFd_ = -1;
    return;
  }
  // In the runtime folder, named after the lock file rather than its path, so
  // that every way to the same data folder meets at the same address; else
  // beside the lock.
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && OnlyUserCanCreateIn(runtime))
    channelPaths_.push_back(std::string(runtime) + "/zovaz-" + std::to_string(status.st_dev) + "-" +
                            std::to_string(status.st_ino));
  const std::string beside = fs::path(lockPath).parent_path().string();
  if (OnlyUserCanCreateIn(beside)) channelPaths_.push_back(InstanceChannelPath(dataDir));
  TryLock();
}

SingleInstance::~SingleInstance() {
  if (listenSource_ != 0) g_source_remove(listenSource_);
  if (retrySource_ != 0) g_source_remove(retrySource_);
  requests_.clear();
  if (listenFd_ >= 0) {
    close(listenFd_);
    ::unlink(boundPath_.c_str());
  }
  // Closing releases the lock; the kernel does the same for a crashed client.
  if (lockFd_ >= 0) close(lockFd_);
}

bool SingleInstance::TryLock() {
  if (held_) return true;
  if (lockFd_ < 0) return false;
  // flock rather than a PID in the file: the kernel drops it with the
  // process, so neither a crash nor a reused PID can leave it standing.
  while (flock(lockFd_, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    if (errno != EWOULDBLOCK) {
      close(lockFd_);
      lockFd_ = -1;
    }
    return false;
  }
  held_ = true;
  return true;
}

bool SingleInstance::AlreadyRunning() { return !TryLock() && lockFd_ >= 0; }

bool SingleInstance::AskRunningToRaise(int timeoutMs, const std::string& startupId,
                                       const std::string& link) {
  if (lockFd_ < 0 || held_) return false;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    for (const std::string& path : channelPaths_) {
      sockaddr_un address;
      socklen_t length = 0;
      if (!SocketAddress(path, address, length)) continue;
      const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
      if (fd < 0) return false;
      if (connect(fd, reinterpret_cast<const sockaddr*>(&address), length) == 0) {
        const bool answered = Converse(fd, deadline, startupId, link);
        close(fd);
        return answered;
      }
      close(fd);
    }
    // Nobody listening (no socket yet, a stale one, a full queue) means the
    // holder is just starting or on its way out: wait for it, or for its
    // lock to come free.
    if (TryLock()) return false;
    const int left = MillisecondsLeft(deadline);
    if (left == 0) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(std::min(left, 50)));
  }
}

bool SingleInstance::HandOverToRunning(int timeoutMs, const std::string& startupId,
                                       const std::string& link) {
  if (!AlreadyRunning()) return false;
  AskRunningToRaise(timeoutMs, startupId, link);
  // Whether or not it answered, it still holds the folder unless it ended.
  return AlreadyRunning();
}

bool SingleInstance::ListenForRaise(std::function<bool(const std::string&)> onRaise,
                                    std::function<void(const std::string&)> onLink) {
  if (!held_ || listenFd_ >= 0) return false;
  for (const std::string& path : channelPaths_) {
    sockaddr_un address;
    socklen_t length = 0;
    if (!SocketAddress(path, address, length)) continue;
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    // Holding the lock, whatever lies there is a crashed holder's.
    ::unlink(path.c_str());
    if (bind(fd, reinterpret_cast<const sockaddr*>(&address), length) != 0 ||
        listen(fd, static_cast<int>(kMaxPendingRequests)) != 0) {
      close(fd);
      continue;
    }
    listenFd_ = fd;
    boundPath_ = path;
    break;
  }
  if (listenFd_ < 0) return false;
  onRaise_ = std::move(onRaise);
  onLink_ = std::move(onLink);
  listenSource_ = g_unix_fd_add(
      listenFd_, G_IO_IN,
      [](gint, GIOCondition, gpointer self) -> gboolean {
        static_cast<SingleInstance*>(self)->AcceptRequests();
        return G_SOURCE_CONTINUE;
      },
      this);
  return true;
}

void SingleInstance::AcceptRequests() {
  for (;;) {
    const int fd = accept4(listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (!PeerIsSameUser(fd) || requests_.size() >= kMaxPendingRequests) {
      close(fd);
      continue;
    }
    // The request is read as it arrives: a client that connects and stays
    // silent must not hold up the window.
    auto request = std::make_unique<Request>(*this, fd);
    request->source = g_unix_fd_add(
        fd, static_cast<GIOCondition>(G_IO_IN | G_IO_HUP | G_IO_ERR),
        [](gint, GIOCondition, gpointer data) -> gboolean {
          auto* arrived = static_cast<Request*>(data);
          return arrived->owner.ReadRequest(*arrived) ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE;
        },
        request.get());
    requests_[fd] = std::move(request);
  }
}

bool SingleInstance::ReadRequest(Request& request) {
  const int fd = request.fd;
  for (;;) {
    char buffer[kMaxLine];
    const ssize_t count = read(fd, buffer, sizeof buffer);
    if (count > 0) {
      if (request.waiting) continue;  // nothing more is expected
      request.received.append(buffer, static_cast<size_t>(count));
      if (request.received.size() > kMaxRequest) break;
      continue;
    }
    if (count < 0 && errno == EINTR) continue;
    if (count < 0 && errno == EAGAIN) {
      // Whole once every line begun has ended (an older asker sends one).
      if (request.waiting || request.received.empty() || request.received.back() != '\n')
        return true;
      break;
    }
    // An asker that gave up after a whole request still wanted the window
    // up; it only needs no answer.
    if (count == 0 && !request.waiting && !request.received.empty() &&
        request.received.back() == '\n')
      break;
    // Closed or failed otherwise: nothing to do.
    requests_.erase(fd);
    return false;
  }
  const size_t end = request.received.find('\n');
  const std::string line = end == std::string::npos ? "" : request.received.substr(0, end);
  const std::string prefix = std::string(kRaiseRequest) + " ";
  if (line.size() <= kMaxLine && (line == kRaiseRequest || line.rfind(prefix, 0) == 0)) {
    request.waiting = true;
    request.startupId = line.size() > prefix.size() ? Printable(line.substr(prefix.size())) : "";
    const std::string rest = request.received.substr(end + 1);
    const size_t linkEnd = rest.find('\n');
    if (rest.rfind(kOpenLine, 0) == 0 && linkEnd != std::string::npos)
      request.link = rest.substr(sizeof kOpenLine - 1, linkEnd - (sizeof kOpenLine - 1));
  }
  if (!request.waiting) {
    requests_.erase(fd);
    return false;
  }
  if (Answer(fd)) return false;
  // No window to raise yet (the start-up is still on its way): the asker
  // waits, and the request is tried again until it is answered or gone.
  if (retrySource_ == 0)
    retrySource_ = g_timeout_add(
        100,
        [](gpointer self) -> gboolean {
          static_cast<SingleInstance*>(self)->RetryWaiting();
          return G_SOURCE_CONTINUE;
        },
        this);
  return true;
}

bool SingleInstance::Answer(int fd) {
  const auto found = requests_.find(fd);
  if (found == requests_.end()) return true;
  const std::string startupId = found->second->startupId;
  const std::string link = found->second->link;
  // Raising may run a nested event loop that dispatches further requests:
  // only the descriptor is held across it.
  if (onRaise_ && !onRaise_(startupId)) return false;
  if (const auto again = requests_.find(fd); again != requests_.end()) {
    // The asker may have given up already; the window is up all the same.
    const std::string answer = std::string(kRaiseAnswer) + "\n";
    send(fd, answer.data(), answer.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    requests_.erase(again);
  }
  // After the answer: whatever showing it takes, the asker need not wait.
  if (onLink_ && !link.empty()) onLink_(link);
  return true;
}

void SingleInstance::RetryWaiting() {
  std::vector<int> waiting;
  for (const auto& [fd, request] : requests_)
    if (request->waiting) waiting.push_back(fd);
  for (const int fd : waiting) Answer(fd);
  bool any = false;
  for (const auto& entry : requests_) any = any || entry.second->waiting;
  if (!any && retrySource_ != 0) {
    g_source_remove(retrySource_);
    retrySource_ = 0;
  }
}

void BringToFront(wxTopLevelWindow& window, const std::string& startupId) {
  window.Show();
  window.Iconize(false);
  // The id carries the time of the user's click: with it the window manager
  // lets the window take the focus, and the desktop's busy cursor ends.
  GtkWidget* widget = window.GetHandle();
  if (!startupId.empty() && widget != nullptr && GTK_IS_WINDOW(widget))
    gtk_window_set_startup_id(GTK_WINDOW(widget), startupId.c_str());
  // On GTK this presents the window: the window manager brings it to the
  // front and focuses it, or marks it as wanting attention when it will not
  // let focus be taken.
  window.Raise();
}

bool BringAnyShownToFront(const std::string& startupId) {
  GList* windows = gtk_window_list_toplevels();
  GtkWindow* shown = nullptr;
  for (GList* item = windows; item != nullptr && shown == nullptr; item = item->next) {
    GtkWindow* window = GTK_WINDOW(item->data);
    // The web engine keeps off-screen windows of its own.
    if (gtk_widget_get_visible(GTK_WIDGET(window)) && !GTK_IS_OFFSCREEN_WINDOW(window) &&
        gtk_window_get_window_type(window) == GTK_WINDOW_TOPLEVEL)
      shown = window;
  }
  g_list_free(windows);
  if (shown == nullptr) return false;
  if (!startupId.empty()) gtk_window_set_startup_id(shown, startupId.c_str());
  gtk_window_present(shown);
  return true;
}

}  // namespace zovaz
