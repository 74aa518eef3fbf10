#include "shop_server.h"

#include <arpa/inet.h>
#include <httplib.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include "shop_routes.h"

namespace zovaz::shop {

namespace {

using Clock = std::chrono::steady_clock;

// How long a client may take to send one whole request, and how long a
// connection may wait idle for the next. Slow clients are dropped after
// these, so they cannot hold the shop's workers.
constexpr auto kRequestReadLimit = std::chrono::seconds(3);
constexpr auto kIdleLimit = std::chrono::seconds(1);
constexpr auto kWriteLimit = std::chrono::seconds(5);
constexpr size_t kRequestsPerConnection = 100;
// Every connection gets a worker of its own up to this many, so a crowd of
// slow clients does not keep the others waiting for their time-out.
constexpr size_t kMaxWorkers = 256;

// One connection's socket with one read buffer for its whole life: bytes of
// a pipelined next request stay for that request. Reads give up at the
// request's deadline, or when the server stops.
class ConnectionStream : public httplib::Stream {
 public:
  ConnectionStream(socket_t sock, const std::atomic<socket_t>& listener)
      : sock_(sock), listener_(listener) {}

  // Whether a next request begins within the idle limit.
  bool WaitForRequest() {
    if (start_ < end_) return true;
    return WaitFor(POLLIN, Clock::now() + kIdleLimit);
  }
  void StartRequest() { deadline_ = Clock::now() + kRequestReadLimit; }

  bool is_readable() const override {
    return start_ < end_ || const_cast<ConnectionStream*>(this)->WaitFor(POLLIN, deadline_);
  }
  bool is_writable() const override {
    return const_cast<ConnectionStream*>(this)->WaitFor(POLLOUT, Clock::now() + kWriteLimit);
  }
  ssize_t read(char* ptr, size_t size) override {
    if (start_ == end_) {
      if (!WaitFor(POLLIN, deadline_)) return -1;
      const ssize_t n = ::recv(sock_, buffer_, sizeof buffer_, 0);
      if (n <= 0) return n;
      start_ = 0;
      end_ = static_cast<size_t>(n);
    }
    const size_t n = std::min(size, end_ - start_);
    std::copy(buffer_ + start_, buffer_ + start_ + n, ptr);
    start_ += n;
    return static_cast<ssize_t>(n);
  }
  ssize_t write(const char* ptr, size_t size) override {
    if (!is_writable()) return -1;
    return ::send(sock_, ptr, size, MSG_NOSIGNAL);
  }
  void get_remote_ip_and_port(std::string& ip, int& port) const override {
    Address(::getpeername, ip, port);
  }
  void get_local_ip_and_port(std::string& ip, int& port) const override {
    Address(::getsockname, ip, port);
  }
  socket_t socket() const override { return sock_; }

 private:
  bool WaitFor(short events, Clock::time_point deadline) {
    for (;;) {
      if (listener_ == INVALID_SOCKET) return false;
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0) return false;
      pollfd fd{sock_, events, 0};
      // In slices, so that Stop() is not kept waiting.
      const int ready = ::poll(&fd, 1, static_cast<int>(std::min<long long>(left, 100)));
      if (ready > 0) return true;
      if (ready < 0 && errno != EINTR) return false;
    }
  }
  void Address(int (*query)(int, sockaddr*, socklen_t*), std::string& ip, int& port) const {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    ip.clear();
    port = 0;
    if (query(sock_, reinterpret_cast<sockaddr*>(&address), &length) != 0) return;
    char text[INET6_ADDRSTRLEN] = {};
    if (address.ss_family == AF_INET) {
      const auto* v4 = reinterpret_cast<const sockaddr_in*>(&address);
      ::inet_ntop(AF_INET, &v4->sin_addr, text, sizeof text);
      port = ntohs(v4->sin_port);
    } else if (address.ss_family == AF_INET6) {
      const auto* v6 = reinterpret_cast<const sockaddr_in6*>(&address);
      ::inet_ntop(AF_INET6, &v6->sin6_addr, text, sizeof text);
      port = ntohs(v6->sin6_port);
    }
    ip = text;
  }

  socket_t sock_;
  const std::atomic<socket_t>& listener_;
  char buffer_[4096];
  size_t start_ = 0;
  size_t end_ = 0;
  Clock::time_point deadline_ = Clock::now();
};

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

// The library's own connection loop makes a new read buffer for every
// request, which loses a pipelined request read along with the one before
// it, and lets a client that sends a byte now and then hold its worker for
// ever. This one keeps one buffer per connection and a deadline per request.
class ShopHttpServer : public httplib::Server {
 public:
  ShopHttpServer() {
    new_task_queue = [] { return new GrowingPool; };
  }
  // The library listens with a backlog of 5; a browser opening its parallel
  // connections while others are open would have some of them wait for the
  // kernel to retry.
  void WidenBacklog() { ::listen(svr_sock_, SOMAXCONN); }

 private:
  bool process_and_close_socket(socket_t sock) override {
    bool ok = false;
    {
      ConnectionStream stream(sock, svr_sock_);
      for (size_t left = kRequestsPerConnection; left > 0 && stream.WaitForRequest(); --left) {
        stream.StartRequest();
        bool closed = false;
        ok = process_request(stream, left == 1, closed, [](httplib::Request& req) {
          // Many ranges in one request would multiply the body; the whole
          // body is the answer the standard allows for that.
          if (req.ranges.size() > 1) req.ranges.clear();
        });
        if (!ok || closed) break;
      }
    }
    ::shutdown(sock, SHUT_RDWR);
    ::close(sock);
    return ok;
  }
};

}  // namespace

struct ShopServer::State {
  mutable std::mutex mutex;
  std::unique_ptr<ShopHttpServer> server;
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

  auto server = std::make_unique<ShopHttpServer>();
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
    return httplib::Server::HandlerResponse::Unhandled;
  });
  // Routing is done on the raw target, so match every decoded path here.
  server->Get("[\\s\\S]*", [state](const httplib::Request& req, httplib::Response& res) {
    RouteShopRequest(req, res, state->FallbackVendor());
  });

  const int bound =
      port == 0 ? server->bind_to_any_port(host) : (server->bind_to_port(host, port) ? port : -1);
  if (bound < 0) return -1;
  server->WidenBacklog();

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
  std::unique_ptr<ShopHttpServer> server;
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
