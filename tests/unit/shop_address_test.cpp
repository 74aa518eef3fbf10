#include "core/shop_address.h"

#include <gtest/gtest.h>

#include "common/test_files.h"
#include "platform/download.h"
#include "shop_server.h"

using namespace zovaz;

namespace {

const char* kHash = "5f4dcc3b5aa765d61d8327deb882cf99";

std::string Login(const std::string& user) {
  return LoginAddress("http://shop.test", "cze", user, kHash);
}

}  // namespace

TEST(ShopAddress, OrdinaryNamesStayAsTheyAre) {
  EXPECT_EQ(Login("zakaznik"),
            "http://shop.test/cze/moveup/zakaznik/movedown/5f4dcc3b5aa765d61d8327deb882cf99");
  EXPECT_EQ(Login("Jan.Novak_1-b~"),
            "http://shop.test/cze/moveup/Jan.Novak_1-b~/movedown/5f4dcc3b5aa765d61d8327deb882cf99");
  EXPECT_EQ(LogoutPageAddress("http://shop.test", "cze"),
            "http://shop.test/cze/set-compact-mode/logout");
}

TEST(ShopAddress, NameIsOneEncodedPathSegment) {
  // Unencoded, "/" would add a segment and "?" or "#" would cut off the digest.
  EXPECT_EQ(Login("a/b?c#d"),
            "http://shop.test/cze/moveup/a%2Fb%3Fc%23d/movedown/5f4dcc3b5aa765d61d8327deb882cf99");
  EXPECT_EQ(PercentEncodePathSegment("100% jistě"), "100%25%20jist%C4%9B");
  EXPECT_EQ(PercentEncodePathSegment("Jiří Novák"), "Ji%C5%99%C3%AD%20Nov%C3%A1k");
  EXPECT_EQ(PercentEncodePathSegment("a+b@c:d;e=f&g'h\\i\"j"),
            "a%2Bb%40c%3Ad%3Be%3Df%26g%27h%5Ci%22j");
  EXPECT_EQ(PercentEncodePathSegment(std::string("\x00\x7F\xFF", 3)), "%00%7F%FF");
  EXPECT_EQ(PercentEncodePathSegment(""), "");
}

TEST(ShopAddress, TheProbeAndTheStyleSheetAreFetchedFromTheVendorSite) {
  zovaz::shop::ShopServer site;
  ASSERT_GT(site.Start(), 0);
  zovaz::testing::TempDir dir;
  DownloadOptions options;
  options.requireSuccessStatus = true;
  ASSERT_TRUE(DownloadFile(ProbeAddress(site.BaseUrl()), dir / "probe", options));
  EXPECT_EQ(zovaz::testing::ReadFile(dir / "probe").rfind("GIF89a", 0), 0u);
  ASSERT_TRUE(DownloadFile(StyleSheetAddress(site.BaseUrl()), dir / "style", options));
  EXPECT_EQ(zovaz::testing::ReadFile(dir / "style"),
            zovaz::testing::ReadFile(std::string(ZOVAZ_DATA_DIR) +
                                     "/__app/assets/styles/mainCompact.css"));
  // Only the vendor site is asked, and only for these two.
  EXPECT_EQ(site.Requests().size(), 2u);
}

TEST(ShopAddress, EveryAddressThatLogsInIsKnownAsSecret) {
  const std::string digest = "0123456789abcdef0123456789abcdef";
  const std::string login = LoginAddress("http://shop", "cze", "jan", digest);
  for (const std::string& secret :
       {login, login + "#:~:text=Vítejte", login + "?x=1",
        // Whoever's login, and the digest wherever it stands, in any case.
        LoginAddress("http://shop", "eng", "eva", "ffff"),
        std::string("http://shop/CZE/MoveUp/jan/MoveDown/x"),
        std::string("http://elsewhere/?d=0123456789ABCDEF0123456789ABCDEF")}) {
    SCOPED_TRACE(secret);
    EXPECT_TRUE(HoldsLoginSecret(secret, digest));
  }
  for (const std::string& plain :
       {std::string("http://shop/cze/documents"), std::string("http://shop/movedown"),
        LogoutPageAddress("http://shop", "cze")}) {
    SCOPED_TRACE(plain);
    EXPECT_FALSE(HoldsLoginSecret(plain, digest));
    EXPECT_FALSE(HoldsLoginSecret(plain, ""));
  }
}
