#include "plain_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <mutex>
#include <thread>

#include "shop_pages.h"

namespace zovaz::shop {

namespace {

constexpr int kPollMs = 50;

// Waits for `fd` to become readable; false once the server is stopping.
bool WaitReadable(int fd, const std::atomic<bool>& stopping) {
  while (!stopping) {
    pollfd entry{fd, POLLIN, 0};
    const int ready = poll(&entry, 1, kPollMs);
    if (ready > 0) return true;
    if (ready < 0 && errno != EINTR) return false;
  }
  return false;
}

void SendAll(int fd, const std::string& data) {
  size_t sent = 0;
  while (sent < data.size()) {
    const ssize_t n = send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return;
    sent += static_cast<size_t>(n);
  }
}

std::string Attachment(const std::string& name, const std::string& body, size_t announced) {
  return "HTTP/1.0 200 OK\r\nContent-Type: application/pdf\r\nContent-Length: " +
         std::to_string(announced) + "\r\nContent-Disposition: attachment; filename=\"" + name +
         "\"\r\nConnection: close\r\n\r\n" + body;
}

}  // namespace

struct PlainServer::State {
  mutable std::mutex mutex;
  std::atomic<bool> stopping{false};
  int listener = -1;
  int port = -1;
  std::thread acceptor;
  std::vector<std::thread> connections;
  std::vector<std::string> requests;

  void Serve(int fd) {
    std::string request;
    char buffer[4096];
    while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
      if (!WaitReadable(fd, stopping)) return;
      const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
      if (n <= 0) return;
      request.append(buffer, static_cast<size_t>(n));
    }
    const size_t start = request.find(' ') + 1;
    const std::string path = request.substr(start, request.find(' ', start) - start);
    {
      std::lock_guard<std::mutex> lock(mutex);
      requests.push_back(path);
    }
    const std::string pdf = InvoicePdf();
    if (path == "/invoice/cut-off.pdf") {
      // Short of its announced length, which HTTP/1.0 clients may take as
      // the end of the body.
      SendAll(fd, Attachment("cut-off.pdf", pdf.substr(0, pdf.size() / 2), pdf.size()));
    } else if (path == "/invoice/whole.pdf") {
      SendAll(fd, Attachment("whole.pdf", pdf, pdf.size()));
    } else if (path == "/to-file") {
      SendAll(fd, "HTTP/1.0 302 Found\r\nLocation: file:///etc/hostname\r\n\r\n");
    } else if (path == "/hanging-image") {
      SendAll(fd,
              "HTTP/1.0 200 OK\r\nContent-Type: text/html; charset=utf-8\r\n\r\n"
              "<p id=\"text\">Obrázek se načítá</p><img src=\"/silent/obrazek.png\">");
    } else if (path.rfind("/silent/", 0) == 0) {
      // Holds the connection open, answering nothing, until the server stops.
      while (WaitReadable(fd, stopping)) {
        if (recv(fd, buffer, sizeof buffer, 0) <= 0) break;
      }
    } else {
      SendAll(fd, "HTTP/1.0 404 Not Found\r\nContent-Length: 0\r\n\r\n");
    }
  }

  void Accept() {
    while (WaitReadable(listener, stopping)) {
      const int fd = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd < 0) continue;
      std::lock_guard<std::mutex> lock(mutex);
      connections.emplace_back([this, fd] {
        Serve(fd);
        shutdown(fd, SHUT_RDWR);
        close(fd);
      });
    }
  }
};

PlainServer::PlainServer() : state_(std::make_unique<State>()) {}

PlainServer::~PlainServer() { Stop(); }

int PlainServer::Start(int port) {
  if (state_->listener >= 0) return state_->port;
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  int yes = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port));
  socklen_t length = sizeof address;
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(fd, 16) != 0 ||
      getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    close(fd);
    return -1;
  }
  state_->stopping = false;
  state_->listener = fd;
  state_->port = ntohs(address.sin_port);
  state_->acceptor = std::thread([state = state_.get()] { state->Accept(); });
  return state_->port;
}

void PlainServer::Stop() {
  if (state_->listener < 0) return;
  state_->stopping = true;
  state_->acceptor.join();
  // The acceptor has ended, so the list no longer grows.
  for (std::thread& connection : state_->connections) connection.join();
  state_->connections.clear();
  close(state_->listener);
  state_->listener = -1;
}

std::string PlainServer::BaseUrl() const {
  return "http://127.0.0.1:" + std::to_string(state_->port);
}

std::vector<std::string> PlainServer::Requests() const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->requests;
}

}  // namespace zovaz::shop
