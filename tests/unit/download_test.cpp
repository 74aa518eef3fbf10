#include "platform/download.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <mutex>
#include <thread>

#include "common/test_files.h"
#include "common/test_servers.h"
#include "core/io_error.h"

using namespace zovaz;
using namespace zovaz::testing;

namespace {

// Every byte value, so that no text-mode translation can hide.
std::string Body(size_t size) {
  std::string body(size, '\0');
  for (size_t i = 0; i < size; ++i) body[i] = static_cast<char>((i * 31 + i / 256) & 0xFF);
  return body;
}

// Holds a raw connection open until the client gives up (or 20 s pass, so
// that a client that never does fails the test instead of hanging it).
void WaitForClientToLeave(int socket) {
  char buffer[256];
  pollfd entry{socket, POLLIN, 0};
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (std::chrono::steady_clock::now() < deadline) {
    if (poll(&entry, 1, 100) > 0 && recv(socket, buffer, sizeof buffer, 0) <= 0) return;
  }
}

void ResetConnection(int socket) {
  const linger abort{1, 0};
  setsockopt(socket, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
}

class DownloadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    options.connectTimeoutMs = 3000;
    options.stallTimeoutMs = 1000;
    auto& server = http.server();
    server.Get(R"(/bytes/(\d+))", [](const httplib::Request& req, httplib::Response& res) {
      res.set_content(Body(std::stoul(req.matches[1])), "application/octet-stream");
    });
    server.Get("/huge", [](const httplib::Request&, httplib::Response& res) {
      res.set_content_provider(
          (64u << 20) + 1, "application/octet-stream",
          [chunk = std::string(1 << 20, 'x')](size_t, size_t left, httplib::DataSink& sink) {
            sink.write(chunk.data(), std::min(left, chunk.size()));
            return true;
          });
    });
    server.Get("/text", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("short\r\n", "text/plain");
    });
    server.Get(R"(/status/(\d+))", [](const httplib::Request& req, httplib::Response& res) {
      res.status = std::stoi(req.matches[1]);
      res.set_content("error page " + std::string(req.matches[1]), "text/html");
    });
    server.Get("/probe", [this](const httplib::Request& req, httplib::Response& res) {
      std::lock_guard<std::mutex> lock(mutex);
      requests.push_back(req.method + " " + req.path + " " + req.get_header_value("User-Agent"));
      res.set_content("GIF89a", "image/gif");
    });
  }

  // The target holds this before each case that must leave it alone.
  void PrepareTarget() { WriteFile(target, "previous\r\n"); }
  void ExpectTargetUntouched() {
    EXPECT_EQ(ReadFile(target), "previous\r\n");
    EXPECT_EQ(ListFolder(dir.path()), Names{"a.tmp"});
  }

  TempDir dir;
  std::string target = dir / "a.tmp";
  DownloadOptions options;
  std::mutex mutex;
  std::vector<std::string> requests;
  LocalHttpServer http;  // last: stops before what its handlers use
};

}  // namespace

TEST_F(DownloadTest, StoresTheBodyByteForByte) {
  for (size_t size : {0, 1, 1023, 1024, 1025, 2048, 300000}) {
    SCOPED_TRACE(size);
    ASSERT_TRUE(DownloadFile(http.Url("/bytes/" + std::to_string(size)), target, options));
    EXPECT_EQ(ReadFile(target), Body(size));
    EXPECT_EQ(ListFolder(dir.path()), Names{"a.tmp"});
  }
  // The later, shorter body replaces the earlier one completely.
  ASSERT_TRUE(DownloadFile(http.Url("/text"), target, options));
  EXPECT_EQ(ReadFile(target), "short\r\n");
}

TEST_F(DownloadTest, SendsOneGetNamedAfterTheExecutable) {
  ASSERT_TRUE(DownloadFile(http.Url("/probe"), target));
  std::lock_guard<std::mutex> lock(mutex);
  EXPECT_EQ(requests, Names{"GET /probe zovaz_unit_tests"});
}

TEST_F(DownloadTest, ErrorPagesAreStoredUnlessSuccessIsRequired) {
  for (int status : {404, 500}) {
    SCOPED_TRACE(status);
    const std::string url = http.Url("/status/" + std::to_string(status));
    PrepareTarget();
    EXPECT_TRUE(DownloadFile(url, target, options));
    EXPECT_EQ(ReadFile(target), "error page " + std::to_string(status));

    PrepareTarget();
    DownloadOptions strict = options;
    strict.requireSuccessStatus = true;
    EXPECT_FALSE(DownloadFile(url, target, strict));
    ExpectTargetUntouched();
    EXPECT_TRUE(DownloadFile(http.Url("/text"), target, strict));
    EXPECT_EQ(ReadFile(target), "short\r\n");
  }
}

TEST_F(DownloadTest, ATransferThatBreaksOffLeavesTheTargetAsItWas) {
  // Each server answers with less than it announces, then goes away.
  const std::vector<std::function<void(int)>> faults = {
      [](int s) {  // closes before the announced length
        ReadRequestHead(s);
        SendAll(s, "HTTP/1.1 200 OK\r\nContent-Length: 5000\r\n\r\n" + Body(1500));
      },
      [](int s) {  // resets mid-body
        ReadRequestHead(s);
        SendAll(s, "HTTP/1.1 200 OK\r\nContent-Length: 5000\r\n\r\n" + Body(1500));
        ResetConnection(s);
      },
      [](int s) {  // a chunked body without its last chunk
        ReadRequestHead(s);
        SendAll(s,
                "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n10\r\n0123456789abcdef\r\n");
      },
      [](int s) {  // closes without any answer
        ReadRequestHead(s);
      },
  };
  for (size_t i = 0; i < faults.size(); ++i) {
    SCOPED_TRACE(i);
    RawServer server(faults[i]);
    PrepareTarget();
    EXPECT_FALSE(DownloadFile(server.Url("/page"), target, options));
    ExpectTargetUntouched();
    EXPECT_FALSE(DownloadFile(server.Url("/page"), dir / "fresh", options));
    EXPECT_FALSE(Exists(dir / "fresh"));
  }
}

TEST_F(DownloadTest, ABodyIsStoredDecodedOrNotAtAll) {
  // Compressed whether asked for or not: stored as the text it stands for.
  const std::string gzipped(
      "\x1F\x8B\x08\x00\x00\x00\x00\x00\x02\x03\xB3\xC9\x28\xC9\xCD\xB1\x2B\xCF\xC8\xCF\x49"
      "\xB5\xD1\x07\xB3\xB9\x00\x5C\x20\x85\x62\x13\x00\x00\x00",
      35);
  const auto answer = [&gzipped](const std::string& encoding) {
    return [&gzipped, encoding](int s) {
      ReadRequestHead(s);
      SendAll(s, "HTTP/1.1 200 OK\r\nContent-Encoding: " + encoding +
                     "\r\nContent-Length: 35\r\nConnection: close\r\n\r\n" + gzipped);
    };
  };
  RawServer gzip(answer("gzip"));
  ASSERT_TRUE(DownloadFile(gzip.Url("/page"), target, options));
  EXPECT_EQ(ReadFile(target), "<html>whole</html>\n");
  // An encoding that cannot be decoded is no body to keep.
  RawServer unknown(answer("x-squeeze"));
  PrepareTarget();
  EXPECT_FALSE(DownloadFile(unknown.Url("/page"), target, options));
  ExpectTargetUntouched();

  // Nor is one the caller refuses.
  options.acceptBody = [](const std::string& body) { return body != "short\r\n"; };
  PrepareTarget();
  EXPECT_FALSE(DownloadFile(http.Url("/text"), target, options));
  ExpectTargetUntouched();
  EXPECT_TRUE(DownloadFile(http.Url("/bytes/10"), target, options));
  EXPECT_EQ(ReadFile(target), Body(10));
}

TEST_F(DownloadTest, AStalledTransferIsAbandonedAfterTheStallTime) {
  const std::vector<std::function<void(int)>> stalls = {
      [](int s) {  // accepts, then says nothing
        WaitForClientToLeave(s);
      },
      [](int s) {  // stops half-way through the body
        ReadRequestHead(s);
        SendAll(s, "HTTP/1.1 200 OK\r\nContent-Length: 5000\r\n\r\n" + Body(100));
        WaitForClientToLeave(s);
      },
  };
  for (size_t i = 0; i < stalls.size(); ++i) {
    SCOPED_TRACE(i);
    RawServer server(stalls[i]);
    PrepareTarget();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(DownloadFile(server.Url("/page"), target, options));
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, std::chrono::milliseconds(900));
    EXPECT_LT(elapsed, std::chrono::seconds(4));
    ExpectTargetUntouched();
  }
}

TEST_F(DownloadTest, TheOverallDeadlineOrACancelEndsAnyTransfer) {
  options.connectTimeoutMs = 5000;
  options.stallTimeoutMs = 5000;
  options.overallTimeoutMs = 1500;
  std::atomic<bool> stop{false};
  // A byte now and then never looks stalled; only the overall limit ends it.
  RawServer drip([&stop](int s) {
    ReadRequestHead(s);
    SendAll(s, "HTTP/1.1 200 OK\r\nContent-Length: 5000\r\n\r\n");
    for (int i = 0; i < 100 && !stop; ++i) {
      if (send(s, "x", 1, MSG_NOSIGNAL) != 1) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
  });
  UnansweringListener full(true);
  RawServer silent(WaitForClientToLeave);
  for (const std::string& url : {drip.Url("/page"), full.Url("/page"), silent.Url("/page")}) {
    SCOPED_TRACE(url);
    PrepareTarget();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(DownloadFile(url, target, options));
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, std::chrono::milliseconds(1400));
    EXPECT_LT(elapsed, std::chrono::milliseconds(4500));
    ExpectTargetUntouched();
  }

  // Cancelled from another thread, as the progress window's button does.
  options.overallTimeoutMs = 20000;
  std::atomic<bool> cancel{false};
  options.cancel = &cancel;
  std::thread canceller([&cancel] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    cancel = true;
  });
  PrepareTarget();
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(DownloadFile(drip.Url("/page"), target, options));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(4500));
  canceller.join();
  stop = true;
  ExpectTargetUntouched();
}

TEST_F(DownloadTest, AServerThatNeverAcceptsOrSendsTooMuchIsGivenUpOn) {
  // On a full accept queue the connect time-out is what ends the wait.
  UnansweringListener full(true);
  options.connectTimeoutMs = 500;
  PrepareTarget();
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(DownloadFile(full.Url("/page"), target, options));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
  ExpectTargetUntouched();

  // A body past the 64 MiB cap is refused, not stored.
  PrepareTarget();
  EXPECT_FALSE(DownloadFile(http.Url("/huge"), target, options));
  ExpectTargetUntouched();
}

TEST_F(DownloadTest, AnAddressThatCannotBeOpenedIsFalseWithoutException) {
  const int unused = UnusedLoopbackPort();
  for (const std::string& url : {
           "http://127.0.0.1:" + std::to_string(unused) + "/",  // refused
           std::string("http://nonexistent.invalid/"),
           std::string("http://[::1/"),
           std::string("not an address"),
           std::string(""),
           // Only the web: no reading local files or other protocols.
           "file://" + target,
           "ftp://127.0.0.1:" + std::to_string(unused) + "/",
       }) {
    SCOPED_TRACE(url);
    PrepareTarget();
    EXPECT_FALSE(DownloadFile(url, target, options));
    ExpectTargetUntouched();
    bool result = true;
    EXPECT_NO_THROW(result = DownloadFile(url, dir / "absent/a.tmp", options));
    EXPECT_FALSE(result);
  }
}

TEST_F(DownloadTest, ATargetThatCannotBeWrittenRaisesIoError) {
  try {
    DownloadFile(http.Url("/text"), dir / "absent/a.tmp", options);
    FAIL() << "no exception";
  } catch (const IoError& e) {
    EXPECT_EQ(e.code(), kFileNotFound);
    EXPECT_STREQ(e.what(), "File not found");
  }
  std::filesystem::create_directory(dir / "folder");
  EXPECT_THROW(DownloadFile(http.Url("/text"), dir / "folder", options), IoError);
  EXPECT_EQ(ListFolder(dir.path()), Names{"folder"});
  EXPECT_TRUE(ListFolder(dir / "folder").empty());
}

TEST_F(DownloadTest, GoesThroughTheProxyTheEnvironmentNames) {
  std::string requestLine;
  bool result = false;
  {
    RawServer proxy([&](int s) {
      const std::string head = ReadRequestHead(s);
      requestLine = head.substr(0, head.find("\r\n"));
      SendAll(s, "HTTP/1.1 200 OK\r\nContent-Length: 9\r\n\r\nvia proxy");
    });
    setenv("http_proxy", proxy.Url("").c_str(), 1);
    result = DownloadFile("http://shop.invalid/cze/page", target, options);
    unsetenv("http_proxy");
  }
  EXPECT_TRUE(result);
  EXPECT_EQ(ReadFile(target), "via proxy");
  EXPECT_EQ(requestLine, "GET http://shop.invalid/cze/page HTTP/1.1");
}

TEST_F(DownloadTest, WithTheDefaultsAHungServerIsCutWithinHalfAMinute) {
  // Accepts, reads the request, never answers: the customer waits no
  // longer than the download deadline, and nothing is written.
  RawServer hung(WaitForClientToLeave);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(DownloadFile(hung.Url("/page"), target));
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_LE(waited, std::chrono::seconds(31));
  EXPECT_FALSE(std::filesystem::exists(target));
}
