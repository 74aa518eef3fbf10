// Start-up navigation, Connect, Disconnect and Print in the real web view
// against the stand-in shop.
#include <cstdlib>
#include <filesystem>

#include "common/test_servers.h"
#include "core/shop_address.h"
#include "core/text_file.h"
#include "crypto/password_digest.h"
#include "gui_support.h"
#include "shop_pages.h"

namespace fs = std::filesystem;
using zovaz::testing::ClientTest;
using zovaz::testing::PumpUntil;
using zovaz::testing::ReadFile;

namespace {

const char kLoadingCaption[] = "Marlevo s.r.o. - Z-ovaz - Načítám";
const char kCaption[] = "Marlevo s.r.o. - Z-ovaz";
const char kNoConnection[] = "Nelze navázat spojení, zkontrolujte připojení k Internetu.";

class NavigationTest : public ClientTest {
 protected:
  std::string DemoDigest() { return zovaz::PasswordDigest(zovaz::shop::kDemoPassword); }
  std::string Caption() { return std::string(form->GetTitle().utf8_str()); }
  bool ShowsLocalPage() { return ShownAddress().ends_with("/Marlevo/__app/lilindex.html"); }
  bool ShowsShop() { return ShownAddress().find("/moveup/") != std::string::npos; }
  bool PageHasMain() { return EvalInPage("String(!!document.getElementById('main'))") == "true"; }
};

}  // namespace

TEST_F(NavigationTest, StartWithoutAutoLoginShowsTheRebuiltLocalPage) {
  PrepareDataFolder("", "", "0");
  StartClient();
  ASSERT_TRUE(WaitForNavigation(0));
  EXPECT_TRUE(ShowsLocalPage()) << ShownAddress();
  EXPECT_TRUE(form->Pipojit1->IsEnabled());
  // The page is the shop's logged-out page rewritten to local assets, not
  // the shipped copy.
  const std::string page = ReadFile(DataDir() + "/__app/lilindex.html");
  EXPECT_NE(page.find(zovaz::shop::kLivePageMarker), std::string::npos);
  EXPECT_NE(page.find("javascript:location.reload(true)"), std::string::npos);
  EXPECT_NE(page.find("<body oncontextmenu=\"return false;\">"), std::string::npos);
  EXPECT_EQ(page.find(shop.BaseUrl() + "/assets"), std::string::npos);
  EXPECT_FALSE(ReadFile(DataDir() + "/__app/assets/styles/mainCompact.css").empty());
  EXPECT_TRUE(PageHasMain());
}

TEST_F(NavigationTest, AnErrorPageOrHalfAPageNeverBecomesTheOfflinePage) {
  // The whole page, announced as far shorter than it is.
  zovaz::testing::RawServer shortened([](int s) {
    zovaz::testing::ReadRequestHead(s);
    zovaz::testing::SendAll(s, "HTTP/1.1 200 OK\r\nContent-Length: 300\r\n\r\n" +
                                   zovaz::shop::LoggedOutPage("", zovaz::shop::Language::kCzech));
  });
  // A server address under which the shop answers 404.
  for (const std::string& server : {shop.BaseUrl() + "/missing", shortened.Url("")}) {
    SCOPED_TRACE(server);
    PrepareDataFolder("", "", "0");
    const std::string shipped = ReadFile(DataDir() + "/__app/lilindex.html");
    zovaz::testing::WriteFile(DataDir() + "/app.cfg", zovaz::JoinTextLines({server, "", "", "0"}));
    const int before = navigations();
    StartClient();
    ASSERT_TRUE(WaitForNavigation(before));
    EXPECT_EQ(ReadFile(DataDir() + "/__app/lilindex.html"), shipped);
    EXPECT_TRUE(ShowsLocalPage());
    CloseClient();
  }
}

TEST_F(NavigationTest, AutoLoginLandsOnTheShopWithConnectDisabled) {
  PrepareDataFolder(zovaz::shop::kDemoUser, DemoDigest(), "1");
  StartClient();
  EXPECT_FALSE(form->Pipojit1->IsEnabled());
  ASSERT_TRUE(WaitForNavigation(0));
  EXPECT_TRUE(ShowsShop()) << ShownAddress();
  EXPECT_EQ(ShownAddress(),
            zovaz::LoginAddress(shop.BaseUrl(), "cze", zovaz::shop::kDemoUser, DemoDigest()));
  EXPECT_TRUE(recorder.messages.empty());
  EXPECT_EQ(Caption(), kCaption);
}

TEST_F(NavigationTest, ShopDownAtStartFallsBackToTheLocalPageUntilDisconnect) {
  PrepareDataFolder(zovaz::shop::kDemoUser, DemoDigest(), "1");
  shop.Stop();
  StartClient();
  ASSERT_EQ(recorder.messages.size(), 1u);
  EXPECT_EQ(recorder.messages[0].text, kNoConnection);
  EXPECT_FALSE(recorder.messages[0].error);
  ASSERT_TRUE(WaitForNavigation(0));
  EXPECT_TRUE(ShowsLocalPage());
  EXPECT_FALSE(form->Pipojit1->IsEnabled());

  const int before = navigations();
  Click(form->Lok1);
  EXPECT_TRUE(form->Pipojit1->IsEnabled());
  EXPECT_TRUE(form->Lok1->IsEnabled());
  EXPECT_TRUE(WaitForNavigation(before));
  EXPECT_TRUE(ShowsLocalPage());
}

TEST_F(NavigationTest, ConnectShowsLoadingCaptionUntilTheShopHasLoaded) {
  PrepareDataFolder(zovaz::shop::kDemoUser, DemoDigest(), "0");
  StartClient();
  ASSERT_TRUE(WaitForNavigation(0));
  const int before = navigations();
  Click(form->Pipojit1);
  EXPECT_EQ(Caption(), kLoadingCaption);
  EXPECT_FALSE(form->Pipojit1->IsEnabled());
  EXPECT_TRUE(form->Lok1->IsEnabled());
  ASSERT_TRUE(WaitForNavigation(before));
  EXPECT_EQ(Caption(), kCaption);
  EXPECT_TRUE(ShowsShop());
  EXPECT_NE(EvalInPage("document.body.innerText").find(zovaz::shop::kDemoUser), std::string::npos);
  // The probe went to the vendor site before the login.
  bool probed = false;
  for (const auto& line : shop.Requests())
    probed |= line.find(zovaz::ProbeAddress("")) != std::string::npos;
  EXPECT_TRUE(probed);
}

TEST_F(NavigationTest, ConnectWithoutDigestDoesNotNavigate) {
  PrepareDataFolder(zovaz::shop::kDemoUser, "", "0");
  StartClient();
  ASSERT_TRUE(WaitForNavigation(0));
  const int before = navigations();
  Click(form->Pipojit1);
  EXPECT_FALSE(WaitForNavigation(before, 1000));
  EXPECT_TRUE(ShowsLocalPage());
  EXPECT_TRUE(form->Pipojit1->IsEnabled());
  EXPECT_EQ(Caption(), kCaption);
}

TEST_F(NavigationTest, DisconnectFromTheShopShowsTheLocalPage) {
  PrepareDataFolder(zovaz::shop::kDemoUser, DemoDigest(), "1");
  StartClient();
  ASSERT_TRUE(WaitForNavigation(0));
  ASSERT_TRUE(ShowsShop());
  const int before = navigations();
  Click(form->Lok1);
  EXPECT_TRUE(form->Pipojit1->IsEnabled());
  ASSERT_TRUE(WaitForNavigation(before));
  EXPECT_TRUE(ShowsLocalPage());
  EXPECT_TRUE(recorder.messages.empty());
}

TEST_F(NavigationTest, NoLoginAddressIsKeptInTheEnginesCache) {
  const auto cacheHolds = [](const std::string& digest) {
    for (const auto& entry : fs::recursive_directory_iterator(
             std::getenv("XDG_CACHE_HOME"), fs::directory_options::skip_permission_denied)) {
      if (entry.is_regular_file() && ReadFile(entry.path()).find(digest) != std::string::npos)
        return true;
    }
    return false;
  };
  const std::string oldDigest = zovaz::PasswordDigest("stare-heslo");
  PrepareDataFolder(zovaz::shop::kDemoUser, oldDigest, "1");
  StartClient();
  ASSERT_TRUE(WaitForNavigation(0));
  ASSERT_TRUE(ShowsShop());
  // A new password logs in again, as the settings dialog does on saving it;
  // a logout follows.
  form->PasswordHash = DemoDigest();
  int before = navigations();
  form->Connect();
  ASSERT_TRUE(WaitForNavigation(before));
  before = navigations();
  Click(form->Lok1);
  ASSERT_TRUE(WaitForNavigation(before));
  // The engine writes its records a few seconds after a page has settled.
  EXPECT_FALSE(zovaz::testing::PumpUntil(
      [&] { return cacheHolds(oldDigest) || cacheHolds(DemoDigest()); }, 8000));
}

TEST_F(NavigationTest, DisconnectFromAPageWithoutMainStillReachesTheLocalPage) {
  PrepareDataFolder("", "", "0");
  StartClient();
  ASSERT_TRUE(WaitForNavigation(0));
  int before = navigations();
  // As a server error page would be: nothing for the notice to draw into.
  const std::string errorPage = LocalAppData() + "/error.html";
  zovaz::testing::WriteFile(errorPage, "<html><body><h1>500</h1></body></html>");
  form->WebBrowser_V11->Navigate(errorPage);
  ASSERT_TRUE(WaitForNavigation(before));
  ASSERT_FALSE(PageHasMain());
  before = navigations();
  Click(form->Lok1);
  EXPECT_TRUE(recorder.messages.empty());
  ASSERT_TRUE(WaitForNavigation(before));
  EXPECT_TRUE(ShowsLocalPage());
}

TEST_F(NavigationTest, PrintAsksTheEngineToPrintTheShownPage) {
  PrepareDataFolder("", "", "0");
  StartClient();
  ASSERT_TRUE(WaitForNavigation(0));
  int printRequests = 0;
  form->WebBrowser_V11->InterceptPrint([&] {
    ++printRequests;
    return true;
  });
  Click(form->isk1);
  EXPECT_TRUE(PumpUntil([&] { return printRequests == 1; }, 5000));
  EXPECT_TRUE(recorder.messages.empty());
  EXPECT_TRUE(ShowsLocalPage());
}

TEST_F(NavigationTest, LinkGivenDuringTheAutomaticLoginIsShownOnceTheLoginHasLoaded) {
  PrepareDataFolder(zovaz::shop::kDemoUser, DemoDigest(), "1");
  StartClient();
  // At once, as the program hands on a link from the command line.
  form->ShowDeepLink("zovaz://127.0.0.1/documents");
  ASSERT_TRUE(PumpUntil([&] { return ShownAddress() == shop.BaseUrl() + "/documents"; }));
  bool loggedIn = false;
  for (const std::string& request : shop.Requests())
    loggedIn = loggedIn || request.find("/movedown/" + DemoDigest()) != std::string::npos;
  EXPECT_TRUE(loggedIn);
  EXPECT_TRUE(recorder.messages.empty());
}
