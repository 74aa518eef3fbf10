// WinInet downloads: where a transfer ends, whole or not at all, and the
// deadlines, against the stand-in shop and raw answers on loopback.
#include <gtest/gtest.h>
#include <winsock2.h>
#include <ws2tcpip.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>

#include "common/test_files.h"
#include "platform/download.h"

using namespace zovaz;
using namespace zovaz::testing;
using Clock = std::chrono::steady_clock;

namespace {

std::string Shop(const std::string& path) {
  const char* shop = std::getenv("ZOVAZ_TEST_SHOP");
  return std::string(shop != nullptr ? shop : "http://127.0.0.1:1") + path;
}

// Every byte value, so that no text-mode translation can hide.
std::string Body(size_t size) {
  std::string body(size, '\0');
  for (size_t i = 0; i < size; ++i) body[i] = static_cast<char>((i * 31 + i / 256) & 0xFF);
  return body;
}

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// One loopback connection answered with fixed bytes, then closed; or, with
// `holdOpen`, held open unanswered until the client leaves. The request head
// is kept for the case to look at.
class RawAnswer {
 public:
  explicit RawAnswer(std::string answer, bool holdOpen = false)
      : answer_(std::move(answer)), holdOpen_(holdOpen) {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int size = sizeof address;
    if (bind(listener_, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        listen(listener_, 4) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) != 0)
      throw std::runtime_error("cannot listen on loopback");
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }
  ~RawAnswer() {
    stop_ = true;
    closesocket(listener_);
    thread_.join();
    WSACleanup();
  }
  std::string Url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/file"; }
  std::string RequestHead() const { return head_; }

 private:
  void Serve() {
    const SOCKET client = accept(listener_, nullptr, nullptr);
    if (client == INVALID_SOCKET) return;
    char buffer[4096];
    while (head_.find("\r\n\r\n") == std::string::npos) {
      const int got = recv(client, buffer, sizeof buffer, 0);
      if (got <= 0) break;
      head_.append(buffer, got);
    }
    if (!holdOpen_) {
      send(client, answer_.data(), static_cast<int>(answer_.size()), 0);
    } else {
      // Until the client gives up, or 20 s so that one that never does
      // fails the case instead of hanging the suite.
      const DWORD wait = 100;
      setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&wait),
                 sizeof wait);
      const auto end = Clock::now() + std::chrono::seconds(20);
      while (!stop_ && Clock::now() < end) {
        const int got = recv(client, buffer, sizeof buffer, 0);
        if (got == 0 || (got < 0 && WSAGetLastError() != WSAETIMEDOUT)) break;
      }
    }
    shutdown(client, SD_SEND);
    closesocket(client);
  }

  std::string answer_;
  bool holdOpen_;
  SOCKET listener_ = INVALID_SOCKET;
  int port_ = 0;
  std::string head_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

std::string WithLength(const std::string& body, size_t announced) {
  return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(announced) +
         "\r\nConnection: close\r\n\r\n" + body;
}

class WindowsDownload : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(std::getenv("ZOVAZ_TEST_SHOP"), nullptr)
        << "scripts/test-windows starts the stand-in shop and names it in ZOVAZ_TEST_SHOP";
    WriteFile(target, "earlier content, longer than some of the bodies fetched over it");
    options.stallTimeoutMs = 700;
  }
  // What a failed download must leave: the earlier file, and nothing else.
  void ExpectUntouched() {
    EXPECT_EQ(ReadFile(target), "earlier content, longer than some of the bodies fetched over it");
    EXPECT_EQ(ListFolder(dir.path()), Names{"a.tmp"});
  }

  TempDir dir;
  std::string target = dir.path() + "\\a.tmp";
  DownloadOptions options;
};

TEST_F(WindowsDownload, StoresTheShopsFilesByteForByte) {
  // The image holds CR LF and 0x1A bytes; the style sheet takes three reads.
  for (const char* asset : {"images/logo.png", "styles/mainCompact.css"}) {
    ASSERT_TRUE(DownloadFile(Shop(std::string("/assets/") + asset), target)) << asset;
    EXPECT_EQ(ReadFile(target), ReadFile(std::string(ZOVAZ_DATA_DIR "/__app/assets/") + asset))
        << asset;
  }
  EXPECT_EQ(ListFolder(dir.path()), Names{"a.tmp"});
}

TEST_F(WindowsDownload, EndsExactlyWhereTheBodyEnds) {
  for (size_t size : {0u, 1u, 1023u, 1024u, 2048u, 70000u}) {
    RawAnswer server(WithLength(Body(size), size));
    ASSERT_TRUE(DownloadFile(server.Url(), target, options)) << size;
    EXPECT_EQ(ReadFile(target), Body(size)) << size;
  }
  // Without a length the closed connection is the end; chunks end at the last.
  {
    RawAnswer server("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + Body(3000));
    ASSERT_TRUE(DownloadFile(server.Url(), target, options));
    EXPECT_EQ(ReadFile(target), Body(3000));
  }
  {
    RawAnswer server(
        "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n"
        "5\r\nhello\r\n6\r\n world\r\n0\r\n\r\n");
    ASSERT_TRUE(DownloadFile(server.Url(), target, options));
    EXPECT_EQ(ReadFile(target), "hello world");
  }
}

TEST_F(WindowsDownload, AShortBodyIsAFailureAndLeavesTheTarget) {
  // WinInet reports the early close as the end of the body; only the length tells.
  ASSERT_FALSE(DownloadFile(Shop("/invoice/interrupted.pdf"), target, options));
  ExpectUntouched();
  {
    RawAnswer server(WithLength(Body(1500), 4000));
    EXPECT_FALSE(DownloadFile(server.Url(), target, options));
  }
  // A connection closed without any answer is no empty body.
  {
    RawAnswer server("");
    EXPECT_FALSE(DownloadFile(server.Url(), target, options));
  }
  ExpectUntouched();
}

TEST_F(WindowsDownload, SendsTheExecutablesNameAsItsAgent) {
  RawAnswer server(WithLength("GIF89a", 6));
  ASSERT_TRUE(DownloadFile(server.Url(), target, options));
  EXPECT_NE(server.RequestHead().find("GET /file HTTP/1."), std::string::npos)
      << server.RequestHead();
  EXPECT_NE(server.RequestHead().find("\r\nUser-Agent: zovaz_windows_tests.exe\r\n"),
            std::string::npos)
      << server.RequestHead();
}

TEST_F(WindowsDownload, ErrorStatusIsStoredUnlessSuccessIsRequired) {
  ASSERT_TRUE(DownloadFile(Shop("/no/such/page"), target, options));
  EXPECT_NE(ReadFile(target).find("<html"), std::string::npos);
  WriteFile(target, "earlier content, longer than some of the bodies fetched over it");
  options.requireSuccessStatus = true;
  EXPECT_FALSE(DownloadFile(Shop("/no/such/page"), target, options));
  ExpectUntouched();
}

TEST_F(WindowsDownload, GivesUpWithinItsDeadlines) {
  // The shop pauses 2 s halfway through the invoice: past the stall limit.
  auto start = Clock::now();
  EXPECT_FALSE(DownloadFile(Shop("/invoice/slow.pdf"), target, options));
  EXPECT_LT(SecondsSince(start), 1.9);
  options.stallTimeoutMs = 5000;
  options.overallTimeoutMs = 800;
  start = Clock::now();
  EXPECT_FALSE(DownloadFile(Shop("/invoice/slow.pdf"), target, options));
  EXPECT_LT(SecondsSince(start), 1.9);
  {
    RawAnswer silent("", true);
    options.overallTimeoutMs = 30000;
    options.stallTimeoutMs = 700;
    start = Clock::now();
    EXPECT_FALSE(DownloadFile(silent.Url(), target, options));
    EXPECT_LT(SecondsSince(start), 3.0);
  }
  ExpectUntouched();
  // A pause within the limits is waited for.
  options.stallTimeoutMs = 5000;
  ASSERT_TRUE(DownloadFile(Shop("/invoice/slow.pdf"), target, options));
  EXPECT_EQ(ReadFile(target).substr(0, 9), "%PDF-1.4\n");
  EXPECT_EQ(ReadFile(target).substr(ReadFile(target).size() - 6), "%%EOF\n");
}

TEST_F(WindowsDownload, CancelEndsTheTransferAsAFailure) {
  std::atomic<bool> cancel{false};
  options.stallTimeoutMs = 5000;
  options.cancel = &cancel;
  std::thread canceller([&cancel] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    cancel = true;
  });
  const auto start = Clock::now();
  EXPECT_FALSE(DownloadFile(Shop("/invoice/slow.pdf"), target, options));
  canceller.join();
  EXPECT_LT(SecondsSince(start), 1.5);
  ExpectUntouched();
}

TEST_F(WindowsDownload, AnAddressThatCannotBeOpenedCreatesNothing) {
  const std::string missing = dir.path() + "\\b.tmp";
  for (const char* url : {"http://127.0.0.1:1/", "not an address", "http://"}) {
    EXPECT_FALSE(DownloadFile(url, missing, options)) << url;
    EXPECT_FALSE(Exists(missing)) << url;
  }
}

}  // namespace
