// The stand-in shop must answer exactly as the client relies on it; these
// talk to it over real loopback HTTP.
#include <gtest/gtest.h>
#include <httplib.h>

#include <string>

#include "common/test_files.h"
#include "core/start_page.h"
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

TEST_F(ShopTest, ShippedStartPageIsTheRewrittenLoggedOutPage) {
  const std::string vendor = "http://127.0.0.1:8470";
  const std::string page = Get("/cze/set-compact-mode/logout", {{"Host", "127.0.0.1:8470"}});
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
