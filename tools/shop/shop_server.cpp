#include "shop_server.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include "shop_routes.h"

namespace zovaz::shop {

namespace {

// How long a client may stay silent in the middle of a request, and how
// long a new connection may wait before its request begins. Slow clients
// are dropped after these, so they cannot hold the shop's workers.
constexpr time_t kReadLimitSeconds = 1;
constexpr time_t kIdleLimitSeconds = 1;
constexpr time_t kWriteLimitSeconds = 5;
// Every connection gets a worker of its own up to this many, so a crowd of
// slow clients does not keep the others waiting for their time-out.
constexpr size_t kMaxWorkers = 256;

// Starts a worker whenever none is free, up to kMaxWorkers.
class GrowingPool : public httplib::TaskQueue {
 public:
  void enqueue(std::function<void()> fn) override {
    std::lock_guard<std::mutex> lock(mutex_);
    jobs_.push_back(std::move(fn));
    if (jobs_.size() > idle_ && workers_.size() < kMaxWorkers) {
      workers_.emplace_back([this] { Work(); });
    }
    wake_.notify_one();
  }
  void shutdown() override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& worker : workers_) worker.join();
  }

 private:
  void Work() {
    for (;;) {
      std::function<void()> job;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        ++idle_;
        wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
        --idle_;
        if (jobs_.empty()) return;
        job = std::move(jobs_.front());
        jobs_.pop_front();
      }
      job();
    }
  }

  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::function<void()>> jobs_;
  std::vector<std::thread> workers_;
  size_t idle_ = 0;
  bool stopping_ = false;
};

// The library listens with a backlog of 5; a browser opening its parallel
// connections while others are open would have some of them wait for the
// kernel to retry. The listening socket is found among the process's own
// descriptors by its port, as the library does not hand it out.
void WidenBacklog(int port) {
  DIR* fds = ::opendir("/proc/self/fd");
  if (fds == nullptr) return;
  while (const dirent* entry = ::readdir(fds)) {
    const int fd = std::atoi(entry->d_name);
    if (fd <= 2 || fd == ::dirfd(fds)) continue;
    int listening = 0;
    socklen_t size = sizeof listening;
    sockaddr_in address{};
    socklen_t length = sizeof address;
    if (::getsockopt(fd, SOL_SOCKET, SO_ACCEPTCONN, &listening, &size) == 0 && listening &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0 &&
        address.sin_family == AF_INET && ntohs(address.sin_port) == port)
      ::listen(fd, SOMAXCONN);
  }
  ::closedir(fds);
}

}  // namespace

struct ShopServer::State {
  mutable std::mutex mutex;
  std::unique_ptr<httplib::Server> server;
  std::thread thread;
  std::string host = "127.0.0.1";
  int port = -1;
  std::vector<std::string> requests;
  std::ostream* log = nullptr;

  void Record(const httplib::Request& req) {
    const std::string line =
        req.method + " " + req.target + " " + req.get_header_value("User-Agent");
    std::lock_guard<std::mutex> lock(mutex);
    requests.push_back(line);
    if (log) *log << line << std::endl;
  }

  std::string FallbackVendor() const {
    std::lock_guard<std::mutex> lock(mutex);
    return "http://" + host + ":" + std::to_string(port);
  }
};

ShopServer::ShopServer() : state_(std::make_unique<State>()) {}

ShopServer::~ShopServer() { Stop(); }

int ShopServer::Start(const std::string& host, int port) {
  std::lock_guard<std::mutex> lock(state_->mutex);
  if (state_->server) return state_->port;

  auto server = std::make_unique<httplib::Server>();
  server->new_task_queue = [] { return new GrowingPool; };
  server->set_read_timeout(kReadLimitSeconds, 0);
  server->set_write_timeout(kWriteLimitSeconds, 0);
  server->set_keep_alive_timeout(kIdleLimitSeconds);
  // The library reads each request of a connection into a buffer of its
  // own and drops what it read beyond it, so a pipelined next request would
  // go unanswered on an open connection. One request per connection closes
  // it after the answer instead, and the client sends the rest again.
  server->set_keep_alive_max_count(1);
  server->set_default_headers({{"Cache-Control", "no-store"}});
  // The library's default, SO_REUSEPORT, would let a second shop bind a port
  // that is already serving and share its connections at random.
  server->set_socket_options([](socket_t sock) {
    int yes = 1;
    setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
  });
  State* state = state_.get();
  server->set_pre_routing_handler([state](const httplib::Request& req, httplib::Response&) {
    state->Record(req);
    // Many ranges in one request would multiply the body; the whole body
    // is the answer the standard allows for that. The request is the
    // library's own, not const, until the answer is written.
    if (req.ranges.size() > 1) const_cast<httplib::Request&>(req).ranges.clear();
    return httplib::Server::HandlerResponse::Unhandled;
  });
  // Routing is done on the raw target, so match every decoded path here.
  server->Get("[\\s\\S]*", [state](const httplib::Request& req, httplib::Response& res) {
    RouteShopRequest(req, res, state->FallbackVendor());
  });

  const int bound =
      port == 0 ? server->bind_to_any_port(host) : (server->bind_to_port(host, port) ? port : -1);
  if (bound < 0) return -1;
  WidenBacklog(bound);

  auto finished = std::make_shared<std::atomic<bool>>(false);
  httplib::Server* raw = server.get();
  state_->thread = std::thread([raw, finished] {
    raw->listen_after_bind();
    *finished = true;
  });
  // Stop() is a no-op until the accept loop runs, so wait for it here.
  while (!raw->is_running() && !*finished) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  if (!raw->is_running()) {
    state_->thread.join();
    return -1;
  }
  state_->server = std::move(server);
  state_->host = host;
  state_->port = bound;
  return bound;
}

void ShopServer::Stop() {
  std::unique_ptr<httplib::Server> server;
  std::thread thread;
  {
    std::lock_guard<std::mutex> lock(state_->mutex);
    server = std::move(state_->server);
    thread = std::move(state_->thread);
  }
  // Handlers take the mutex to log, so the join must happen outside it.
  if (server) server->stop();
  if (thread.joinable()) thread.join();
}

int ShopServer::Port() const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->port;
}

std::string ShopServer::BaseUrl() const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return "http://" + state_->host + ":" + std::to_string(state_->port);
}

std::vector<std::string> ShopServer::Requests() const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->requests;
}

void ShopServer::LogTo(std::ostream* log) {
  std::lock_guard<std::mutex> lock(state_->mutex);
  state_->log = log;
}

}  // namespace zovaz::shop
