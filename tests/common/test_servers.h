// Local HTTP servers on ephemeral loopback ports, for tests that need a
// server to behave well or badly.
#pragma once

#include <httplib.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace zovaz::testing {

// A cpp-httplib server on 127.0.0.1 and a free port, serving on its own
// thread from construction until destruction. Add handlers before the
// first request; they run on the server's threads.
class LocalHttpServer {
 public:
  LocalHttpServer();
  ~LocalHttpServer();
  httplib::Server& server() { return server_; }
  std::string Url(const std::string& path) const;

 private:
  httplib::Server server_;
  int port_ = -1;
  std::atomic<bool> finished_{false};
  std::thread thread_;
};

// A bare TCP server for answers a well-behaved server never gives: each
// accepted connection is handed to `serve` (one at a time) and closed when
// it returns.
class RawServer {
 public:
  explicit RawServer(std::function<void(int socket)> serve);
  ~RawServer();
  std::string Url(const std::string& path) const;

 private:
  int listener_ = -1;
  int port_ = -1;
  std::function<void(int)> serve_;
  std::thread thread_;
};

// A loopback port that takes connections into its queue and never answers
// them. With `fullQueue` the queue is full from the start: the kernel drops
// further connection attempts, which then hang in their handshake.
class UnansweringListener {
 public:
  explicit UnansweringListener(bool fullQueue = false);
  ~UnansweringListener();
  UnansweringListener(const UnansweringListener&) = delete;
  UnansweringListener& operator=(const UnansweringListener&) = delete;
  std::string Url(const std::string& path = "") const;

 private:
  int listener_ = -1;
  int port_ = -1;
  std::vector<int> fillers_;
};

// Reads an HTTP request's head (up to the blank line) from a socket.
std::string ReadRequestHead(int socket);
void SendAll(int socket, const std::string& bytes);

// A client socket connected to 127.0.0.1:port (throws when it cannot be),
// whose reads give up after `timeoutMs`.
int ConnectToLoopback(int port, int timeoutMs = 5000);
// Everything the peer sends until it closes the connection or goes quiet.
std::string ReadUntilClosed(int socket);

// A loopback port nothing listens on (bound, then released).
int UnusedLoopbackPort();

}  // namespace zovaz::testing
