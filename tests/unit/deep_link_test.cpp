#include "core/deep_link.h"

#include <gtest/gtest.h>

using namespace zovaz;

namespace {

const char* kShop = "http://127.0.0.1:8470";
const char* kHash = "5f4dcc3b5aa765d61d8327deb882cf99";

std::string Target(const std::string& link, const std::string& shop = kShop) {
  return DeepLinkTarget(link, shop, kHash);
}

}  // namespace

TEST(DeepLink, ShopLinksAreMappedOntoTheShopServer) {
  EXPECT_EQ(Target("zovaz://127.0.0.1/cze/produkt/7?barva=modra#popis"),
            "http://127.0.0.1:8470/cze/produkt/7?barva=modra#popis");
  EXPECT_EQ(Target("ZOVAZ://127.0.0.1:8470"), "http://127.0.0.1:8470/");
  EXPECT_EQ(Target("zovaz://127.0.0.1.?q=1"), "http://127.0.0.1:8470/?q=1");
  // The desktop hands over the shop's web addresses too, whatever the scheme
  // it names: the client speaks to the shop as configured.
  EXPECT_EQ(Target("https://127.0.0.1/kosik"), "http://127.0.0.1:8470/kosik");
  EXPECT_EQ(Target("zovaz://Obchod.Marlevo.test/a%20b", "https://obchod.marlevo.test/"),
            "https://obchod.marlevo.test/a%20b");
  EXPECT_EQ(Target("zovaz://[::1]:08470/x", "http://[::1]:8470"), "http://[::1]:8470/x");
}

TEST(DeepLink, EverythingElseIsRefusedWithAReason) {
  const std::string digestLink = std::string("zovaz://127.0.0.1/objednavky?k=") + kHash;
  for (const std::string& link :
       {std::string("zovaz://elsewhere.test/cze"), std::string("https://127.0.0.1.evil.test/"),
        std::string("zovaz://127.0.0.1:8471/"), std::string("zovaz://127.0.0.1:/"),
        std::string("zovaz://127.0.0.1:84a0/"),
        // Credentials, and the ways to make a parser read another host.
        std::string("zovaz://user:pw@127.0.0.1/"), std::string("http://127.0.0.1@elsewhere.test/"),
        std::string("zovaz://127.0.0.1\\@elsewhere.test/"), std::string("zovaz://127%2e0.0.1/"),
        std::string("zovaz://[::1/"), std::string("zovaz:///cze"), std::string("zovaz:127.0.0.1/"),
        // Other schemes.
        std::string("file:///etc/passwd"), std::string("javascript:alert(1)"),
        std::string("ftp://127.0.0.1/"), std::string("zovaz-x://127.0.0.1/"),
        // The login secret, however it is spelt.
        std::string("zovaz://127.0.0.1/cze/moveup/jana/movedown/0123"),
        std::string("zovaz://127.0.0.1/cze/moveup/jana%252Fmovedown%252F0123"), digestLink,
        // Bytes no address holds, and sheer size.
        std::string("zovaz://127.0.0.1/a b"), std::string("zovaz://127.0.0.1/a\nb"),
        std::string("zovaz://127.0.0.1/") + std::string(5000, 'a'), std::string()}) {
    std::string why;
    EXPECT_EQ(DeepLinkTarget(link, kShop, kHash, &why), "") << link;
    EXPECT_FALSE(why.empty()) << link;
  }
  // Without a usable shop address nothing can be the shop's.
  for (const char* shop : {"", "127.0.0.1:8470", "file:///srv/shop"})
    EXPECT_EQ(Target("zovaz://127.0.0.1/", shop), "") << shop;
}

TEST(DeepLink, OnlyAddressesAreTakenFromTheCommandLine) {
  for (const char* link : {"zovaz://x/", "ZOVAZ:x", "https://x/", "HTTP://x/"})
    EXPECT_TRUE(LooksLikeDeepLink(link)) << link;
  for (const char* other : {"--verbose", "-psn_0_1", "/tmp/zovaz:x", "zovaz", "", "httpx://"})
    EXPECT_FALSE(LooksLikeDeepLink(other)) << other;
}
