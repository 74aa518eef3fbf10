#include "shop_server.h"

#include <httplib.h>
#include <sys/socket.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <thread>

#include "shop_assets.h"
#include "shop_pages.h"

namespace zovaz::shop {

namespace {


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

  auto server = std::make_unique<httplib::Server>();
  // Short idle limits keep Stop() quick even with a browser's idle or
  // speculative connections still open.
  server->set_keep_alive_timeout(1);
  server->set_read_timeout(2, 0);
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
