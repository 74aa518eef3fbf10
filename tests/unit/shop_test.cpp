// The stand-in shop must answer exactly as the client relies on it; these
// talk to it over real loopback HTTP.
#include <gtest/gtest.h>
#include <httplib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "common/test_files.h"
#include "common/test_servers.h"
#include "core/start_page.h"
#include "shop_pages.h"
#include "shop_server.h"

namespace {

using zovaz::shop::kDemoDigest;
using zovaz::shop::ShopServer;

std::string ReadDataFile(const std::string& relative) {
  return zovaz::testing::ReadFile(std::string(ZOVAZ_DATA_DIR) + "/" + relative);
}

class ShopTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_GT(server.Start(), 0); }

  // The body of a GET, failing the test when the request itself fails.
  std::string Get(const std::string& path, const httplib::Headers& headers = {},
                  int expectedStatus = 200) {
    httplib::Client client("127.0.0.1", server.Port());
    auto res = client.Get(path.c_str(), headers);
    if (!res) {
      ADD_FAILURE() << "GET " << path << " failed";
      return "";
    }
    EXPECT_EQ(res->status, expectedStatus) << path;
    return res->body;
  }

  ShopServer server;
};

TEST_F(ShopTest, LoggedOutPageKeepsTheShapeTheClientRewrites) {
  const std::string page = Get("/cze/set-compact-mode/logout", {{"Host", "marlevo.test:8470"}});
  // The vendor address is the one the client used, taken from Host.
  EXPECT_NE(page.find("<link rel=\"stylesheet\" "
                      "href=\"http://marlevo.test:8470/assets/styles/mainCompact.css\">"),
            std::string::npos);
  EXPECT_NE(page.find("<a href=\"http://marlevo.test:8470/shop\""), std::string::npos);
  EXPECT_NE(page.find("\n<body>\n"), std::string::npos);
  EXPECT_NE(page.find("id=\"main\""), std::string::npos);
  EXPECT_NE(page.find("<meta charset=\"utf-8\">"), std::string::npos);
  EXPECT_NE(page.find("Vstoupit do obchodu"), std::string::npos);
  EXPECT_EQ(page.find("127.0.0.1"), std::string::npos);

  // Rewritten, nothing may still point at the vendor, or the offline page
  // would not work offline.
  const std::string local = zovaz::RewriteStartPage(page, "http://marlevo.test:8470");
  EXPECT_EQ(local.find("marlevo.test"), std::string::npos);
}

TEST_F(ShopTest, ShippedStartPageIsTheRewrittenLoggedOutPageWithoutTheLiveMarker) {
  const std::string vendor = "http://127.0.0.1:8470";
  std::string page = Get("/cze/set-compact-mode/logout", {{"Host", "127.0.0.1:8470"}});
  // The marker lets the client suites tell a rebuilt page from the shipped one.
  const size_t marker = page.find(std::string(zovaz::shop::kLivePageMarker) + "\n");
  ASSERT_NE(marker, std::string::npos);
  page.erase(marker, std::string(zovaz::shop::kLivePageMarker).size() + 1);
  EXPECT_EQ(zovaz::RewriteStartPage(page, vendor), ReadDataFile("__app/lilindex.html"));
}

TEST_F(ShopTest, ServesTheShippedAssets) {
  httplib::Client client("127.0.0.1", server.Port());
  auto css = client.Get("/assets/styles/mainCompact.css");
  ASSERT_TRUE(css);
  EXPECT_EQ(css->status, 200);
  EXPECT_EQ(css->get_header_value("Content-Type"), "text/css");
  EXPECT_EQ(css->body, ReadDataFile("__app/assets/styles/mainCompact.css"));

  const std::string probe = Get("/assets/images/lightbox_blank.gif");
  EXPECT_EQ(probe.rfind("GIF89a", 0), 0u);
  EXPECT_EQ(Get("/assets/images/clock.png"), ReadDataFile("__app/assets/images/clock.png"));

  Get("/assets/images/missing.png", {}, 404);
  Get("/assets/../app.cfg", {}, 404);
  // The client suites use the error page as "a page without main".
  EXPECT_EQ(Get("/no-such-page", {}, 404).find("id=\"main\""), std::string::npos);
}

TEST_F(ShopTest, DemoAccountLogsInAndAWrongDigestDoesNot) {
  const std::string user = zovaz::shop::kDemoUser;
  const std::string good = Get("/cze/moveup/" + user + "/movedown/" + kDemoDigest);
  EXPECT_NE(good.find("Dobrý den, zakaznik"), std::string::npos);
  EXPECT_NE(good.find("id=\"main\""), std::string::npos);
  EXPECT_EQ(good.find("Nesprávné jméno nebo heslo"), std::string::npos);

  const std::string english = Get("/eng/moveup/" + user + "/movedown/" + kDemoDigest);
  EXPECT_NE(english.find("Hello, zakaznik"), std::string::npos);

  for (const std::string& digest :
       {std::string(32, '0'), std::string("6A284155906C26CBCA20C53376BC63AC"), std::string()}) {
    const std::string bad = Get("/cze/moveup/" + user + "/movedown/" + digest);
    EXPECT_NE(bad.find("Nesprávné jméno nebo heslo"), std::string::npos) << digest;
    EXPECT_NE(bad.find("id=\"main\""), std::string::npos);
    EXPECT_EQ(bad.find("Dobrý den"), std::string::npos) << digest;
  }
  // Automatic login with nothing stored sends empty segments.
  EXPECT_NE(Get("/cze/moveup//movedown/").find("Nesprávné jméno nebo heslo"), std::string::npos);
}

TEST_F(ShopTest, UserNameIsDecodedOnceAndEscaped) {
  // Encoded letters still name the demo account.
  EXPECT_NE(Get(std::string("/cze/moveup/%7Aakaznik/movedown/") + kDemoDigest)
                .find("Dobrý den, zakaznik"),
            std::string::npos);

  // "žák<i>" with an encoded slash: one segment, shown as text.
  const std::string page = Get("/cze/moveup/%C5%BE%C3%A1k%3Ci%3E%2Fx/movedown/00");
  EXPECT_NE(page.find("žák&lt;i&gt;/x"), std::string::npos);
  EXPECT_EQ(page.find("<i>"), std::string::npos);

  // A literal "%41" sent as "%2541" must not be decoded twice.
  EXPECT_NE(Get("/cze/moveup/%2541/movedown/00").find("<strong>%41</strong>"), std::string::npos);
  // An escape that ends the segment is decoded too.
  EXPECT_NE(Get(std::string("/cze/moveup/zakazni%6B/movedown/") + kDemoDigest)
                .find("Dobrý den, zakaznik"),
            std::string::npos);
}

TEST_F(ShopTest, HostCannotAddMarkupOrLeaveTheScriptString) {
  const std::string host = "a\"b'c\\d<i>";
  const std::string page = Get("/documents", {{"Host", host}});
  EXPECT_EQ(page.find("<i>"), std::string::npos);
  EXPECT_EQ(page.find("a\"b"), std::string::npos);
  EXPECT_NE(page.find("href=\"http://a&quot;b&#39;c\\d&lt;i&gt;/\""), std::string::npos);
  // The engine decodes the attribute's entities before it runs the script,
  // so the decoded text must still be one string from quote to quote.
  const size_t start = page.find("onclick=\"");
  ASSERT_NE(start, std::string::npos);
  std::string script = page.substr(start + 9, page.find('"', start + 9) - start - 9);
  for (const auto& [entity, text] :
       {std::pair{"&quot;", "\""}, {"&#39;", "'"}, {"&lt;", "<"}, {"&gt;", ">"}, {"&amp;", "&"}}) {
    for (size_t at; (at = script.find(entity)) != std::string::npos;)
      script.replace(at, std::string(entity).size(), text);
  }
  ASSERT_EQ(script.rfind("window.open('", 0), 0u) << script;
  ASSERT_EQ(script.substr(script.size() - 2), "')") << script;
  const std::string inside = script.substr(13, script.size() - 15);
  EXPECT_EQ(inside.find('\''), std::string::npos) << script;
  for (size_t at = inside.find('\\'); at != std::string::npos; at = inside.find('\\', at + 1))
    EXPECT_EQ(inside[at + 1], 'x') << script;
}

TEST_F(ShopTest, ManyRangesGetTheWholeBodyAndOneRangeGetsThatRange) {
  const std::string css = ReadDataFile("__app/assets/styles/mainCompact.css");
  std::string ranges = "bytes=0-0";
  for (int i = 1; i < 1000; ++i)
    ranges += "," + std::to_string(i % 50) + "-" + std::to_string(i % 50);
  EXPECT_EQ(Get("/assets/styles/mainCompact.css", {{"Range", ranges}}), css);
  EXPECT_EQ(Get("/assets/styles/mainCompact.css", {{"Range", "bytes=5-9"}}, 206), css.substr(5, 5));
}

TEST_F(ShopTest, PipelinedRequestsAreNeverLeftWaitingOnAnOpenConnection) {
  // The first is answered and the connection closed, so the client knows
  // to send the others again; none is answered out of turn.
  const int sock = zovaz::testing::ConnectToLoopback(server.Port());
  zovaz::testing::SendAll(sock,
                          "GET /assets/images/lightbox_blank.gif HTTP/1.1\r\nHost: a\r\n\r\n"
                          "GET /nowhere HTTP/1.1\r\nHost: a\r\n\r\n"
                          "GET / HTTP/1.1\r\nHost: a\r\nConnection: close\r\n\r\n");
  const auto start = std::chrono::steady_clock::now();
  const std::string answers = zovaz::testing::ReadUntilClosed(sock);
  ::close(sock);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
  EXPECT_EQ(answers.find("HTTP/1.1 200"), 0u);
  EXPECT_NE(answers.find("GIF89a"), std::string::npos);
  const size_t second = answers.find("HTTP/1.1", 1);
  if (second != std::string::npos) {
    EXPECT_EQ(answers.find("HTTP/1.1 404"), second);
  }
}

TEST_F(ShopTest, SlowClientsAreDroppedAndDoNotBlockOthers) {
  // Each sends a byte of its request head now and then, more than the
  // shop's read limit apart, never finishing it.
  std::vector<int> slow;
  for (int i = 0; i < 40; ++i) slow.push_back(zovaz::testing::ConnectToLoopback(server.Port(), 50));
  auto other = std::async(std::launch::async, [&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    httplib::Client client("127.0.0.1", server.Port());
    client.set_read_timeout(5, 0);
    auto res = client.Get("/");
    return res && res->status == 200;
  });
  size_t dropped = 0;
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(15);
  while (dropped < slow.size() && std::chrono::steady_clock::now() < until) {
    for (int& sock : slow) {
      if (sock < 0) continue;
      char byte;
      const bool closed =
          ::recv(sock, &byte, 1, MSG_DONTWAIT) == 0 || ::send(sock, "G", 1, MSG_NOSIGNAL) < 0;
      if (closed) {
        ::close(sock);
        sock = -1;
        ++dropped;
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  }
  for (int sock : slow)
    if (sock >= 0) ::close(sock);
  EXPECT_TRUE(other.get());
  EXPECT_EQ(dropped, slow.size());
}

TEST_F(ShopTest, LogsEveryRequestWithItsUserAgent) {
  std::ostringstream log;
  server.LogTo(&log);
  Get("/assets/images/lightbox_blank.gif", {{"User-Agent", "ShopTest/1.0"}});
  Get("/nowhere", {{"User-Agent", "ShopTest/1.0"}}, 404);
  server.LogTo(nullptr);
  Get("/");

  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(requests[0], "GET /assets/images/lightbox_blank.gif ShopTest/1.0");
  EXPECT_EQ(requests[1], "GET /nowhere ShopTest/1.0");
  EXPECT_EQ(log.str(),
            "GET /assets/images/lightbox_blank.gif ShopTest/1.0\nGET /nowhere ShopTest/1.0\n");
}

TEST_F(ShopTest, RefusesAPortAnotherShopServes) {
  ShopServer second;
  EXPECT_EQ(second.Start("127.0.0.1", server.Port()), -1);

  // Stopped, the port is free again and nothing answers on it meanwhile.
  const int port = server.Port();
  server.Stop();
  httplib::Client client("127.0.0.1", port);
  client.set_connection_timeout(1, 0);
  EXPECT_FALSE(client.Get("/"));
  EXPECT_EQ(second.Start("127.0.0.1", port), port);
}

}  // namespace
