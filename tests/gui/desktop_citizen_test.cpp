// The shop window among the desktop's programs: links off the shop go to
// the desktop's browser, forms are spell-checked in Czech, the shop's
// notifications reach the desktop and no one else's do.
#include <webkit2/webkit2.h>

#include "gui_support.h"

using zovaz::testing::ClientTest;
using zovaz::testing::PumpFor;
using zovaz::testing::PumpUntil;

namespace {

class DesktopCitizenTest : public ClientTest {
 protected:
  TForm1Environment Environment() override {
    TForm1Environment environment = ClientTest::Environment();
    if (!browserStarts)
      environment.openLink = [this](const std::string& url) {
        openedLinks.push_back(url);
        return false;
      };
    return environment;
  }
  void StartOn(const std::string& path) {
    PrepareDataFolder("", "", "0");
    StartClient();
    ASSERT_TRUE(WaitForNavigation(0));
    const int before = navigations();
    form->WebBrowser_V11->Navigate(shop.BaseUrl() + path);
    ASSERT_TRUE(WaitForNavigation(before));
  }
  // The other host: the same stand-in server under another name.
  std::string OffSite(const std::string& path) {
    std::string address = shop.BaseUrl() + path;
    return address.replace(address.find("127.0.0.1"), 9, "localhost");
  }
  // A link over the top left corner of the page, clicked as the user clicks.
  void ClickLinkTo(const std::string& address) {
    ASSERT_EQ(EvalInPage("var a=document.createElement('a');a.href='" + address +
                         "';a.textContent='odkaz';a.style.cssText='position:fixed;left:0;top:0;"
                         "width:200px;height:60px;display:block;z-index:9';"
                         "document.body.appendChild(a);'ok'"),
              "ok");
    Input("click 1", 30, 30);
  }

  bool browserStarts = true;
};

TEST_F(DesktopCitizenTest, ClickOffTheShopOpensTheBrowserAndTheViewStays) {
  StartOn("/documents");
  const int before = navigations();
  ClickLinkTo(OffSite("/shop?q=pap%C3%ADr"));
  ASSERT_TRUE(PumpUntil([&] { return !openedLinks.empty(); }, 5000));
  EXPECT_EQ(openedLinks[0], OffSite("/shop?q=pap%C3%ADr"));
  PumpFor(300);
  EXPECT_EQ(navigations(), before);
  EXPECT_EQ(ShownAddress(), shop.BaseUrl() + "/documents");

  // The shop's own links are followed here, and a page's own move elsewhere
  // is no click.
  ClickLinkTo(shop.BaseUrl() + "/remember");
  ASSERT_TRUE(WaitForNavigation(before));
  EXPECT_EQ(ShownAddress(), shop.BaseUrl() + "/remember");
  EvalInPage("location.href='" + OffSite("/documents") + "';'ok'");
  ASSERT_TRUE(WaitForNavigation(before + 1));
  EXPECT_EQ(ShownAddress(), OffSite("/documents"));
  EXPECT_EQ(openedLinks.size(), 1u);
  EXPECT_TRUE(recorder.messages.empty());
}

TEST_F(DesktopCitizenTest, ClickWithoutABrowserTellsTheCustomer) {
  browserStarts = false;
  StartOn("/documents");
  ClickLinkTo(OffSite("/shop"));
  ASSERT_TRUE(PumpUntil([&] { return !recorder.messages.empty(); }, 5000));
  EXPECT_TRUE(recorder.messages[0].error);
  EXPECT_EQ(recorder.messages[0].text,
            "Webový prohlížeč se nepodařilo spustit. Nastavte v systému výchozí prohlížeč a odkaz "
            "otevřete znovu:\n" +
                OffSite("/shop"));
  EXPECT_EQ(ShownAddress(), shop.BaseUrl() + "/documents");
}

}  // namespace
