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

#include "shop_assets.h"
#include "shop_pages.h"

namespace zovaz::shop {

namespace {

// MD5 of kDemoPassword as the client sends it: 32 lower-case hex digits.
constexpr const char* kDemoDigest = "6a284155906c26cbca20c53376bc63ac";

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// %XX becomes its byte; a malformed escape stays as it is. '+' is a plus
// in a path, not a space.
std::string PercentDecode(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size()) {
      const int high = HexValue(text[i + 1]);
      const int low = HexValue(text[i + 2]);
      if (high >= 0 && low >= 0) {
        out += static_cast<char>(high * 16 + low);
        i += 2;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

// The segments of the path as sent, each decoded on its own: an encoded
// "/" inside a user name must not split it.
std::vector<std::string> PathSegments(const std::string& target) {
  std::string path = target.substr(0, target.find_first_of("?#"));
  std::vector<std::string> segments;
  size_t start = path.empty() || path[0] != '/' ? 0 : 1;
  while (start <= path.size()) {
    const size_t end = std::min(path.find('/', start), path.size());
    segments.push_back(PercentDecode(path.substr(start, end - start)));
    start = end + 1;
  }
  return segments;
}

std::string ContentTypeFor(const std::string& path) {
  auto endsWith = [&](const char* suffix) {
    const std::string s(suffix);
    return path.size() >= s.size() && path.compare(path.size() - s.size(), s.size(), s) == 0;
  };
  if (endsWith(".css")) return "text/css";
  if (endsWith(".png")) return "image/png";
  if (endsWith(".gif")) return "image/gif";
  if (endsWith(".jpg") || endsWith(".jpeg")) return "image/jpeg";
  if (endsWith(".svg")) return "image/svg+xml";
  if (endsWith(".html")) return "text/html; charset=utf-8";
  return "application/octet-stream";
}

void SendPage(httplib::Response& res, const std::string& html, int status = 200) {
  res.status = status;
  res.set_content(html, "text/html; charset=utf-8");
}

constexpr const char* kChoiceCookie = "volba";

// Only plain words are remembered, so the value needs no quoting anywhere.
bool IsPlainWord(const std::string& text) {
  if (text.empty() || text.size() > 64) return false;
  for (char c : text) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '-' || c == '_';
    if (!plain) return false;
  }
  return true;
}

// The value of cookie `name` in a Cookie request header; "" when absent.
std::string CookieValue(const std::string& header, const std::string& name) {
  size_t start = 0;
  while (start < header.size()) {
    size_t end = header.find(';', start);
    if (end == std::string::npos) end = header.size();
    std::string pair = header.substr(start, end - start);
    pair.erase(0, pair.find_first_not_of(' '));
    if (pair.compare(0, name.size() + 1, name + "=") == 0) return pair.substr(name.size() + 1);
    start = end + 1;
  }
  return "";
}

void SendAttachment(httplib::Response& res, const std::string& fileName) {
  res.set_header("Content-Disposition", "attachment; filename=\"" + fileName + "\"");
}

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

  std::string VendorFor(const httplib::Request& req) const {
    const std::string host = req.get_header_value("Host");
    if (!host.empty()) return "http://" + host;
    std::lock_guard<std::mutex> lock(mutex);
    return "http://" + this->host + ":" + std::to_string(port);
  }

  void Route(const httplib::Request& req, httplib::Response& res) const {
    const std::string vendor = VendorFor(req);
    const std::vector<std::string> s = PathSegments(req.target);

    if (s.size() == 1 && s[0].empty()) return SendPage(res, VendorHomePage(vendor));
    if (s[0] == "shop" && (s.size() == 1 || (s.size() == 2 && s[1].empty()))) {
      return SendPage(res, VisitorShopPage(vendor));
    }
    if (s.size() >= 2 && s[0] == "assets") {
      std::string path = s[1];
      for (size_t i = 2; i < s.size(); ++i) path += "/" + s[i];
      if (const EmbeddedAsset* asset = FindEmbeddedAsset(path)) {
        res.set_content(reinterpret_cast<const char*>(asset->data), asset->size,
                        ContentTypeFor(path).c_str());
        return;
      }
    }
    if (s.size() == 3 && s[1] == "set-compact-mode" && s[2] == "logout") {
      return SendPage(res, LoggedOutPage(vendor, LanguageFromCode(s[0])));
    }
    if (s.size() == 5 && s[1] == "moveup" && s[3] == "movedown") {
      const Language language = LanguageFromCode(s[0]);
      if (s[2] == kDemoUser && s[4] == kDemoDigest) {
        return SendPage(res, CustomerPage(vendor, language, s[2]));
      }
      return SendPage(res, LoginFailedPage(vendor, language, s[2]));
    }
    if (s.size() == 1 && s[0] == "remember") {
      // A persistent cookie: the client must keep it across restarts.
      const std::string choice = req.get_param_value("choice");
      if (IsPlainWord(choice)) {
        res.set_header("Set-Cookie", std::string(kChoiceCookie) + "=" + choice +
                                         "; Max-Age=31536000; Path=/; HttpOnly; SameSite=Lax");
      }
      return SendPage(
          res, RememberPage(vendor, CookieValue(req.get_header_value("Cookie"), kChoiceCookie)));
    }
    if (s.size() == 1 && s[0] == "documents") return SendPage(res, DocumentsPage(vendor));
    if (s.size() == 2 && s[0] == "invoice" && s[1] == "2026-001.pdf") {
      SendAttachment(res, s[1]);
      res.set_content(InvoicePdf(), "application/pdf");
      return;
    }
    if (s.size() == 2 && s[0] == "invoice" && s[1] == "interrupted.pdf") {
      // Promises the whole invoice, sends half and drops the connection, as
      // a server that fails mid-download does.
      SendAttachment(res, s[1]);
      const std::string pdf = InvoicePdf();
      res.set_content_provider(pdf.size(), "application/pdf",
                               [pdf](size_t offset, size_t, httplib::DataSink& sink) {
                                 if (offset > 0) return false;
                                 sink.write(pdf.data(), pdf.size() / 2);
                                 return true;
                               });
      return;
    }
    if (s.size() == 2 && s[0] == "invoice" && s[1] == "slow.pdf") {
      // Pauses halfway, long enough for a client to give up meanwhile.
      SendAttachment(res, s[1]);
      const std::string pdf = InvoicePdf();
      res.set_content_provider(pdf.size(), "application/pdf",
                               [pdf](size_t offset, size_t, httplib::DataSink& sink) {
                                 if (offset > 0)
                                   std::this_thread::sleep_for(std::chrono::seconds(2));
                                 const size_t half = pdf.size() / 2;
                                 const size_t size = offset == 0 ? half : pdf.size() - offset;
                                 sink.write(pdf.data() + offset, size);
                                 return true;
                               });
      return;
    }
    SendPage(res, NotFoundPage(vendor), 404);
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
    state->Route(req, res);
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
