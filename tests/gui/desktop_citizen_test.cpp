// The shop window among the desktop's programs: links off the shop go to
// the desktop's browser, forms are spell-checked in Czech, the shop's
// notifications reach the desktop and no one else's do.
#include <webkit2/webkit2.h>

#include <algorithm>

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

// The menu as the engine would show it: each item's caption, and its stock
// action or the client's action name.
struct MenuSeen {
  std::vector<std::string> captions;
  std::vector<int> stock;
  int shown = 0;
  static gboolean Record(WebKitWebView*, WebKitContextMenu* menu, GdkEvent*, WebKitHitTestResult*,
                         gpointer self) {
    auto* seen = static_cast<MenuSeen*>(self);
    seen->captions.clear();
    seen->stock.clear();
    for (GList* it = webkit_context_menu_get_items(menu); it != nullptr; it = it->next) {
      auto* item = WEBKIT_CONTEXT_MENU_ITEM(it->data);
      if (webkit_context_menu_item_is_separator(item)) continue;
        // The item's caption is kept nowhere else.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
      seen->captions.push_back(gtk_action_get_label(webkit_context_menu_item_get_action(item)));
#pragma GCC diagnostic pop
      seen->stock.push_back(webkit_context_menu_item_get_stock_action(item));
    }
    ++seen->shown;
    return TRUE;  // recorded, not shown
  }
};

TEST_F(DesktopCitizenTest, MisspeltCzechWordGetsSuggestionsAtTheTopOfTheMenu) {
  StartOn("/documents");
  MenuSeen seen;
  g_signal_connect(form->WebBrowser_V11->Widget()->GetNativeBackend(), "context-menu",
                   G_CALLBACK(&MenuSeen::Record), &seen);
  const auto openOn = [&](const std::string& word) {
    ASSERT_EQ(EvalInPage("var t=document.getElementById('poznamka');if(!t){"
                         "t=document.createElement('textarea');t.id='poznamka';"
                         "t.style.cssText='position:fixed;left:0;top:0;width:300px;height:80px;"
                         "font-size:30px;z-index:9';document.body.appendChild(t);}"
                         "t.value='" +
                         word + "';t.focus();t.setSelectionRange(0,t.value.length);'ok'"),
              "ok");
    const int before = seen.shown;
    Input("click 3", 30, 25);
    ASSERT_TRUE(PumpUntil([&] { return seen.shown > before; }, 5000));
  };

  openOn("zbozi");
  ASSERT_GE(seen.captions.size(), 3u);
  EXPECT_NE(std::find(seen.captions.begin(), seen.captions.end(), "zboží"), seen.captions.end());
  EXPECT_EQ(seen.stock[0], WEBKIT_CONTEXT_MENU_ACTION_SPELLING_GUESS);
  const auto ignore = std::find(seen.captions.begin(), seen.captions.end(), "Ignorovat slovo");
  ASSERT_NE(ignore, seen.captions.end());
  EXPECT_EQ(*(ignore + 1), "Přidat do slovníku");
  // Then the client's own items, and nothing else of the engine's.
  EXPECT_EQ(*(ignore + 2), "Zpět");
  EXPECT_EQ(seen.captions.back(), "Tisk");
  EXPECT_EQ(seen.captions.size(), static_cast<size_t>(ignore - seen.captions.begin()) + 10);

  openOn("zboží");
  EXPECT_EQ(seen.captions.front(), "Zpět");
}

}  // namespace
