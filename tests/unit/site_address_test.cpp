#include "core/site_address.h"

#include <gtest/gtest.h>

using namespace zovaz;

namespace {

const std::vector<std::string> kOwnSites = {"https://obchod.marlevo.test", "http://127.0.0.1:8470"};
const char* kHash = "5f4dcc3b5aa765d61d8327deb882cf99";

LinkRoute Route(const std::string& address) { return RouteClickedLink(address, kOwnSites, kHash); }

}  // namespace

TEST(SiteAddress, HostIsReadAsTheEngineReadsIt) {
  EXPECT_EQ(HostOf("https://Obchod.Marlevo.TEST/kosik?x=1"), "obchod.marlevo.test");
  EXPECT_EQ(HostOf("http://127.0.0.1:8470"), "127.0.0.1");
  // What stands before "@" is a user name, not the host.
  EXPECT_EQ(HostOf("http://obchod.marlevo.test@elsewhere.test/"), "elsewhere.test");
  EXPECT_EQ(HostOf("http://a:b@[::1]:8080/x"), "[::1]");
  EXPECT_EQ(HostOf("http://obchod.marlevo.test./"), "obchod.marlevo.test");
  EXPECT_EQ(HostOf("http://elsewhere.test\\@obchod.marlevo.test/"), "elsewhere.test");
  for (const char* none : {"mailto:a@obchod.marlevo.test", "file:///tmp/x", "about:blank", "",
                           "http://", "http:///x", "javascript:alert(1)", "http://[::1/"})
    EXPECT_EQ(HostOf(none), "") << none;
}

TEST(SiteAddress, OriginNamesSchemeHostAndPort) {
  EXPECT_EQ(OriginOf("http://127.0.0.1:8470/cze/kosik"), "http://127.0.0.1:8470");
  EXPECT_EQ(OriginOf("HTTPS://Obchod.marlevo.test/"), "https://obchod.marlevo.test:443");
  EXPECT_EQ(OriginOf("http://obchod.marlevo.test"), "http://obchod.marlevo.test:80");
  EXPECT_TRUE(SameOrigin("http://127.0.0.1:8470/cze/kosik", "HTTP://127.0.0.1:8470"));
  EXPECT_TRUE(SameOrigin("http://obchod.marlevo.test:80/", "http://obchod.marlevo.test"));
  EXPECT_FALSE(SameOrigin("http://127.0.0.1:8470/", "http://localhost:8470/"));
  EXPECT_FALSE(SameOrigin("https://127.0.0.1:8470/", "http://127.0.0.1:8470/"));
  EXPECT_FALSE(SameOrigin("http://127.0.0.1:8471/", "http://127.0.0.1:8470/"));
  // An empty shop address is no origin, not everyone's.
  EXPECT_FALSE(SameOrigin("file:///tmp/x", ""));
  EXPECT_FALSE(SameOrigin("", ""));
}

TEST(SiteAddress, OnlyWebLinksOffTheShopsSitesLeave) {
  EXPECT_EQ(Route("https://obchod.marlevo.test/cze/kosik"), LinkRoute::kInside);
  // Another scheme or port of an own host is still the shop.
  EXPECT_EQ(Route("http://OBCHOD.marlevo.test:8080/"), LinkRoute::kInside);
  EXPECT_EQ(Route("http://127.0.0.1:9999/"), LinkRoute::kInside);
  EXPECT_EQ(Route("https://dopravce.test/sledovani?c=1"), LinkRoute::kBrowser);
  EXPECT_EQ(Route("http://obchod.marlevo.test.elsewhere.test/"), LinkRoute::kBrowser);
  EXPECT_EQ(Route("http://obchod.marlevo.test@elsewhere.test/"), LinkRoute::kBrowser);
  // Nothing but the web goes to the browser: the rest is the view's matter.
  for (const char* stays : {"mailto:obchod@marlevo.test", "file:///etc/passwd", "about:blank",
                            "javascript:void(0)", "ftp://elsewhere.test/"})
    EXPECT_EQ(Route(stays), LinkRoute::kInside) << stays;
}

TEST(SiteAddress, LoginSecretNeverLeaves) {
  EXPECT_EQ(Route("https://elsewhere.test/cze/moveup/jan/movedown/abc"), LinkRoute::kNowhere);
  EXPECT_EQ(Route(std::string("https://elsewhere.test/?ref=") + kHash), LinkRoute::kNowhere);
  // On the shop's own site the login is the shop's business.
  EXPECT_EQ(Route("https://obchod.marlevo.test/cze/moveup/jan/movedown/abc"), LinkRoute::kInside);
}
