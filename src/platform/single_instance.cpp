#include "platform/single_instance.h"

#include <fcntl.h>
#include <glib-unix.h>
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
// A line longer than any message of the exchange is not one of them.
constexpr size_t kMaxLine = 64;
// Only the same user can connect, so this merely bounds the descriptors a
// misbehaving program of the user's own can tie up.
constexpr size_t kMaxPendingRequests = 16;

socklen_t AbstractAddress(const std::string& name, sockaddr_un& address) {
  std::memset(&address, 0, sizeof address);
  address.sun_family = AF_UNIX;
  // sun_path[0] stays NUL: an abstract name has no file to go stale after a
  // crash and vanishes with the last descriptor.
  const size_t length = std::min(name.size(), sizeof address.sun_path - 1);
  std::memcpy(address.sun_path + 1, name.data(), length);
  return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + length);
}

// Abstract names have no file permissions: whoever is at the other end must
// be this same user.
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

// Sends the request and waits for the answer line until the deadline.
bool Converse(int fd, Clock::time_point deadline) {
  if (!PeerIsSameUser(fd)) return false;
  const std::string request = std::string(kRaiseRequest) + "\n";
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
  Request(SingleInstance& owner, int fd) : owner(owner), fd(fd) {}
  ~Request() {
    if (source != 0) g_source_remove(source);
    close(fd);
  }
  SingleInstance& owner;
  int fd;
  unsigned source = 0;
  std::string received;
};

std::string InstanceLockPath(const std::string& dataDir) { return dataDir + ".lock"; }

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
  // Named after the file, not the path, so that every way to the same data
  // folder meets at the same address.
  address_ = "zovaz-" + std::to_string(geteuid()) + "-" + std::to_string(status.st_dev) + "-" +
             std::to_string(status.st_ino);
  TryLock();
}

SingleInstance::~SingleInstance() {
  if (listenSource_ != 0) g_source_remove(listenSource_);
  requests_.clear();
  if (listenFd_ >= 0) close(listenFd_);
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

bool SingleInstance::AskRunningToRaise(int timeoutMs) {
  if (lockFd_ < 0 || held_) return false;
  sockaddr_un address;
  const socklen_t length = AbstractAddress(address_, address);
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address), length) == 0) {
      const bool answered = Converse(fd, deadline);
      close(fd);
      return answered;
    }
    const int error = errno;
    close(fd);
    // Nobody listening (or a full queue) means the holder is just starting
    // or on its way out: wait for it, or for its lock to come free.
    if (error != ECONNREFUSED && error != EAGAIN) return false;
    if (TryLock()) return false;
    const int left = MillisecondsLeft(deadline);
    if (left == 0) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(std::min(left, 50)));
  }
}

bool SingleInstance::HandOverToRunning(int timeoutMs) {
  if (!AlreadyRunning()) return false;
  AskRunningToRaise(timeoutMs);
  // Whether or not it answered, it still holds the folder unless it ended.
  return AlreadyRunning();
}

bool SingleInstance::ListenForRaise(std::function<void()> onRaise) {
  if (!held_ || listenFd_ >= 0) return false;
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  sockaddr_un address;
  const socklen_t length = AbstractAddress(address_, address);
  if (bind(fd, reinterpret_cast<const sockaddr*>(&address), length) != 0 ||
      listen(fd, static_cast<int>(kMaxPendingRequests)) != 0) {
    close(fd);
    return false;
  }
  listenFd_ = fd;
  onRaise_ = std::move(onRaise);
  listenSource_ = g_unix_fd_add(
      fd, G_IO_IN,
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
          auto* request = static_cast<Request*>(data);
          return request->owner.ReadRequest(*request) ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE;
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
      request.received.append(buffer, static_cast<size_t>(count));
      if (request.received.find('\n') != std::string::npos || request.received.size() > kMaxLine)
        break;
      continue;
    }
    if (count < 0 && errno == EINTR) continue;
    if (count < 0 && errno == EAGAIN) return true;
    break;  // closed before a whole line, or failed
  }
  const size_t end = request.received.find('\n');
  const bool raise = end != std::string::npos && request.received.substr(0, end) == kRaiseRequest;
  if (raise) {
    // The asker may have given up already; the window comes up all the same.
    const std::string answer = std::string(kRaiseAnswer) + "\n";
    send(fd, answer.data(), answer.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
  }
  requests_.erase(fd);
  // Last, once the bookkeeping is done: raising may run a nested event loop
  // that dispatches further requests.
  if (raise && onRaise_) onRaise_();
  return false;
}

void BringToFront(wxTopLevelWindow& window) {
  window.Show();
  window.Iconize(false);
  // On GTK this presents the window: the window manager brings it to the
  // front and focuses it, or marks it as wanting attention when it will not
  // let focus be taken.
  window.Raise();
}

}  // namespace zovaz
