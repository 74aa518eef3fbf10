#include "common/test_servers.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>

namespace zovaz::testing {

LocalHttpServer::LocalHttpServer() {
  // Bound (and listening) before the thread starts, so a request made right
  // away waits in the backlog instead of being refused.
  port_ = server_.bind_to_any_port("127.0.0.1");
  if (port_ <= 0) throw std::runtime_error("cannot bind a loopback port");
  thread_ = std::thread([this] {
    server_.listen_after_bind();
    finished_ = true;
  });
  // The library's stop() does nothing before its accept loop runs, so a test
  // that ends at once would leave the destructor's join waiting for ever.
  while (!server_.is_running() && !finished_)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  if (!server_.is_running()) {
    thread_.join();
    throw std::runtime_error("the local server did not start");
  }
}

LocalHttpServer::~LocalHttpServer() {
  server_.stop();
  thread_.join();
}

std::string LocalHttpServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

namespace {

int ListenOnLoopback(int* port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
    throw std::runtime_error("cannot bind a loopback port");
  socklen_t length = sizeof address;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  *port = ntohs(address.sin_port);
  return fd;
}

}  // namespace

RawServer::RawServer(std::function<void(int socket)> serve) : serve_(std::move(serve)) {
  listener_ = ListenOnLoopback(&port_);
  if (::listen(listener_, 8) != 0) throw std::runtime_error("cannot listen");
  thread_ = std::thread([this] {
    for (;;) {
      const int connection = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
      if (connection < 0) return;  // shut down by the destructor
      serve_(connection);
      ::close(connection);
    }
  });
}

RawServer::~RawServer() {
  // Wakes the blocked accept on Linux.
  ::shutdown(listener_, SHUT_RDWR);
  thread_.join();
  ::close(listener_);
}

std::string RawServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

UnansweringListener::UnansweringListener(bool fullQueue) {
  listener_ = ListenOnLoopback(&port_);
  if (::listen(listener_, fullQueue ? 0 : 16) != 0) throw std::runtime_error("cannot listen");
  if (!fullQueue) return;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port_));
  for (int i = 0; i < 4; ++i) {
    fillers_.push_back(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    ::connect(fillers_.back(), reinterpret_cast<sockaddr*>(&address), sizeof address);
  }
}

UnansweringListener::~UnansweringListener() {
  for (int fd : fillers_) ::close(fd);
  ::close(listener_);
}

std::string UnansweringListener::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::string ReadRequestHead(int socket) {
  std::string head;
  char c;
  while (head.find("\r\n\r\n") == std::string::npos && ::recv(socket, &c, 1, 0) == 1) head += c;
  return head;
}

void SendAll(int socket, const std::string& bytes) {
  size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = ::send(socket, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return;
    sent += static_cast<size_t>(n);
  }
}

int ConnectToLoopback(int port, int timeoutMs) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port));
  const timeval timeout{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    if (fd >= 0) ::close(fd);
    throw std::runtime_error("cannot connect to the loopback port");
  }
  return fd;
}

std::string ReadUntilClosed(int socket) {
  std::string bytes;
  char buffer[4096];
  ssize_t n;
  while ((n = ::recv(socket, buffer, sizeof buffer, 0)) > 0) bytes.append(buffer, n);
  return bytes;
}

int UnusedLoopbackPort() {
  int port = 0;
  ::close(ListenOnLoopback(&port));
  return port;
}

}  // namespace zovaz::testing
