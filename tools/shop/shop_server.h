// The stand-in shop: serves the pages the client relies on, on loopback.
// The demo runs it as zovaz-shop; the tests run it in-process.
#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace zovaz::shop {

// The account the stand-in shop knows (documented in the README).
inline constexpr const char* kDemoUser = "zakaznik";
inline constexpr const char* kDemoPassword = "heslo123";
// MD5 of kDemoPassword as the client sends it: 32 lower-case hex digits.
inline constexpr const char* kDemoDigest = "6a284155906c26cbca20c53376bc63ac";

class ShopServer {
 public:
  ShopServer();
  ~ShopServer();  // stops the server
  ShopServer(const ShopServer&) = delete;
  ShopServer& operator=(const ShopServer&) = delete;

  // Binds host:port (0 picks a free port) and serves on background
  // threads. Returns the bound port, or -1 when it could not bind.
  int Start(const std::string& host = "127.0.0.1", int port = 0);
  void Stop();

  int Port() const;
  std::string BaseUrl() const;  // "http://<host>:<port>"

  // One line per request received so far: "METHOD PATH USER-AGENT".
  std::vector<std::string> Requests() const;
  // Also write each request line here as it arrives (null: nowhere).
  void LogTo(std::ostream* log);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace zovaz::shop
