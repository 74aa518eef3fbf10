// Browsing as customers expect: the client's own context menu that never
// gives the login address away, the keys, find, and a zoom level that
// outlives a restart.
#include <gtk/gtk.h>
#include <webkit2/webkit2.h>
#include <wx/textctrl.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <tuple>
#include <vector>

#include "core/data_folder.h"
#include "core/loading_script.h"
#include "core/shop_address.h"
#include "crypto/password_digest.h"
#include "gui_support.h"
#include "platform/dark_style.h"
#include "platform/find_bar.h"

using zovaz::testing::ClientTest;
using zovaz::testing::PumpUntil;
using zovaz::testing::ReadFile;

namespace {

// The menu the engine would show, recorded instead of shown.
struct SeenMenu {
  std::map<std::string, bool> enabled;  // action name -> enabled
  std::map<std::string, GAction*> actions;
  int shown = 0;

  ~SeenMenu() { Clear(); }
  void Clear() {
    for (auto& [name, action] : actions) g_object_unref(action);
    actions.clear();
    enabled.clear();
  }
  static gboolean Record(WebKitWebView*, WebKitContextMenu* menu, GdkEvent*, WebKitHitTestResult*,
                         gpointer self) {
    auto* seen = static_cast<SeenMenu*>(self);
    seen->Clear();
    for (GList* it = webkit_context_menu_get_items(menu); it != nullptr; it = it->next) {
      auto* item = WEBKIT_CONTEXT_MENU_ITEM(it->data);
      if (webkit_context_menu_item_is_separator(item)) continue;
      GAction* action = webkit_context_menu_item_get_gaction(item);
      const std::string name = action != nullptr ? g_action_get_name(action) : "engine's own";
      seen->enabled[name] = action != nullptr && g_action_get_enabled(action);
      if (action != nullptr) seen->actions[name] = G_ACTION(g_object_ref(action));
    }
    ++seen->shown;
    return TRUE;
  }
};

class BrowsingTest : public ClientTest {
 protected:
  std::string Digest() { return zovaz::PasswordDigest(zovaz::shop::kDemoPassword); }
  std::string Login() {
    return zovaz::LoginAddress(shop.BaseUrl(), "cze", zovaz::shop::kDemoUser, Digest());
  }
  void StartLoggedIn() {
    PrepareDataFolder(zovaz::shop::kDemoUser, Digest(), "1");
    StartClient();
    ASSERT_TRUE(WaitForNavigation(0));
    ASSERT_EQ(ShownAddress(), Login());
  }
  void Show(const std::string& address) {
    const int before = navigations();
    form->WebBrowser_V11->Navigate(address);
    ASSERT_TRUE(WaitForNavigation(before));
  }
  size_t RequestsFor(const std::string& path) {
    const auto requests = shop.Requests();
    return std::count_if(requests.begin(), requests.end(), [&](const std::string& line) {
      return line.find(path) != std::string::npos;
    });
  }
  // Right-clicks at (x, y) of the view and waits for the menu.
  void OpenMenu(SeenMenu& seen, int x, int y) {
    const int before = seen.shown;
    Input("click 3", x, y);
    ASSERT_TRUE(PumpUntil([&] { return seen.shown > before; }, 5000));
  }
  std::string Clipboard() {
    gchar* text = gtk_clipboard_wait_for_text(gtk_clipboard_get(GDK_SELECTION_CLIPBOARD));
    const std::string result = text != nullptr ? text : "";
    g_free(text);
    return result;
  }
};

const std::map<std::string, bool> kOnlyTheCustomersItems = {
    {"back", false},  {"forward", false},    {"reload", false},    {"copy", false},
    {"paste", false}, {"select-all", false}, {"save-link", false}, {"print", false}};

std::map<std::string, bool> NamesOf(const SeenMenu& seen) {
  std::map<std::string, bool> names;
  for (const auto& [name, enabled] : seen.enabled) names[name] = false;
  return names;
}

}  // namespace

TEST_F(BrowsingTest, ContextMenuNeverGivesTheLoginAddressAway) {
  StartLoggedIn();
  SeenMenu seen;
  void* native = form->WebBrowser_V11->Widget()->GetNativeBackend();
  g_signal_connect(native, "context-menu", G_CALLBACK(&SeenMenu::Record), &seen);
  // A link to the login address itself, where the pointer will be.
  const std::string link =
      "var a=document.createElement('a');a.href='" + Login() +
      "';a.textContent='tady';"
      "a.style.cssText='position:fixed;left:0;top:0;width:300px;height:80px;display:block;"
      "z-index:9';document.body.appendChild(a);'ok'";
  gtk_clipboard_set_text(gtk_clipboard_get(GDK_SELECTION_CLIPBOARD), "před", -1);

  for (const std::string& page : {Login(), shop.BaseUrl() + "/documents"}) {
    SCOPED_TRACE(page);
    if (page != Login()) Show(page);
    ASSERT_EQ(EvalInPage(link), "ok");
    OpenMenu(seen, 40, 40);
    EXPECT_EQ(NamesOf(seen), kOnlyTheCustomersItems);
    // Saving would offer the digest as the file name.
    EXPECT_FALSE(seen.enabled["save-link"]);
    EXPECT_TRUE(seen.enabled["select-all"]);
    // Everything a customer can copy from here: the page's text, never the address.
    g_action_activate(seen.actions["select-all"], nullptr);
    OpenMenu(seen, 40, 40);
    ASSERT_TRUE(seen.enabled["copy"]);
    g_action_activate(seen.actions["copy"], nullptr);
    ASSERT_TRUE(PumpUntil([&] { return Clipboard() != "před"; }, 5000));
    EXPECT_NE(Clipboard().find("tady"), std::string::npos) << Clipboard();
    EXPECT_EQ(Clipboard().find(Digest()), std::string::npos) << Clipboard();
    EXPECT_EQ(Clipboard().find("movedown"), std::string::npos) << Clipboard();
    gtk_clipboard_set_text(gtk_clipboard_get(GDK_SELECTION_CLIPBOARD), "před", -1);
  }
  // Back is offered once there is somewhere to go back to, and an ordinary
  // link may be saved.
  EXPECT_TRUE(seen.enabled["back"]);
  const std::string invoice =
      "var r=document.getElementById('invoice').getBoundingClientRect();"
      "Math.round(r.left+3)+','+Math.round(r.top+r.height/2)";
  const std::string at = EvalInPage(invoice);
  const size_t comma = at.find(',');
  ASSERT_NE(comma, std::string::npos) << at;
  OpenMenu(seen, std::stoi(at.substr(0, comma)), std::stoi(at.substr(comma + 1)));
  EXPECT_TRUE(seen.enabled["save-link"]);
  g_signal_handlers_disconnect_by_data(native, &seen);
}

TEST_F(BrowsingTest, KeysReloadWalkTheHistoryAndFind) {
  StartLoggedIn();
  // F5 and Ctrl+R ask the shop for the page again.
  for (const char* keys : {"F5", "ctrl+r"}) {
    SCOPED_TRACE(keys);
    const size_t asked = RequestsFor("/movedown/");
    const int before = navigations();
    Input(std::string("key --clearmodifiers ") + keys);
    ASSERT_TRUE(WaitForNavigation(before));
    EXPECT_EQ(RequestsFor("/movedown/"), asked + 1);
  }
  Show(shop.BaseUrl() + "/documents");
  int before = navigations();
  Input("key --clearmodifiers alt+Left");
  ASSERT_TRUE(WaitForNavigation(before));
  EXPECT_EQ(ShownAddress(), Login());
  before = navigations();
  Input("key --clearmodifiers alt+Right");
  ASSERT_TRUE(WaitForNavigation(before));
  EXPECT_EQ(ShownAddress(), shop.BaseUrl() + "/documents");

  Show(Login());
  Input("key --clearmodifiers ctrl+f");
  ASSERT_NE(form->Extras().Find(), nullptr);
  ASSERT_TRUE(form->Extras().Find()->IsShown());
  Input("type --delay 20 zakaznik");
  EXPECT_TRUE(PumpUntil([&] { return form->Extras().Find()->Status() == "Počet shod: 2"; }, 5000))
      << form->Extras().Find()->Status();
  form->Extras().Find()->Field()->ChangeValue("");
  Input("type --delay 20 xyzzy");
  EXPECT_TRUE(PumpUntil([&] { return form->Extras().Find()->Status() == "Nenalezeno"; }, 5000))
      << form->Extras().Find()->Status();
  Input("key --clearmodifiers Escape");
  EXPECT_FALSE(form->Extras().Find()->IsShown());

  // With Caps Lock on the letters arrive in upper case and still work.
  Input("key Caps_Lock");
  const size_t asked = RequestsFor("/movedown/");
  const int shown = navigations();
  Input("key ctrl+r");
  const bool reloaded = WaitForNavigation(shown);
  Input("key Caps_Lock");
  ASSERT_TRUE(reloaded);
  EXPECT_EQ(RequestsFor("/movedown/"), asked + 1);
}

TEST_F(BrowsingTest, FindIgnoresCaseAndEnterWalksForwardShiftEnterBack) {
  StartLoggedIn();
  EvalInPage(
      "document.body.innerHTML='<p id=\"a\">kocka</p><p id=\"b\">Kocka</p>"
      "<p id=\"c\">KOCKA</p>';'ok'");
  Input("key --clearmodifiers ctrl+f");
  ASSERT_NE(form->Extras().Find(), nullptr);
  Input("type --delay 20 kOcKa");
  ASSERT_TRUE(PumpUntil([&] { return form->Extras().Find()->Status() == "Počet shod: 3"; }, 5000))
      << form->Extras().Find()->Status();
  const auto selected = [&] {
    return EvalInPage(
        "(function(){var s=getSelection();return s.rangeCount?"
        "s.getRangeAt(0).startContainer.parentNode.id:'';})()");
  };
  const std::string order = "abc";
  std::string at;
  ASSERT_TRUE(PumpUntil([&] { return !(at = selected()).empty(); }, 5000));
  const auto step = [&](int by) { return std::string(1, order[(order.find(at[0]) + 3 + by) % 3]); };
  for (const auto& [keys, by] : {std::pair{"Return", 1}, {"Return", 1}, {"shift+Return", -1}}) {
    SCOPED_TRACE(keys);
    const std::string expected = step(by);
    Input(std::string("key --clearmodifiers ") + keys);
    EXPECT_TRUE(PumpUntil([&] { return selected() == expected; }, 5000)) << selected();
    // Stepping counts nothing anew: the count stays that of the search.
    EXPECT_EQ(form->Extras().Find()->Status(), "Počet shod: 3");
    at = expected;
  }
}

TEST_F(BrowsingTest, TheCurrentMatchStandsOutOnADarkPage) {
  StartLoggedIn();
  EvalInPage(
      "document.body.innerHTML='<p>kocka</p><p>kocka</p>';"
      "document.body.style.cssText='background:#1e1e1e;color:#dddddd;font:40px sans-serif';'ok'");
  Input("key --clearmodifiers ctrl+f");
  Input("type --delay 20 kocka");
  ASSERT_TRUE(PumpUntil([&] { return form->Extras().Find()->Status() == "Počet shod: 2"; }, 5000));
  const std::string box = EvalInPage(
      "(function(){var r=getSelection().getRangeAt(0).getBoundingClientRect();"
      "return [r.left,r.top,r.width,r.height].map(Math.round).join(' ');})()");
  wxRect match;
  ASSERT_EQ(
      std::sscanf(box.c_str(), "%d %d %d %d", &match.x, &match.y, &match.width, &match.height), 4)
      << box;
  match.SetPosition(match.GetPosition() + form->WebBrowser_V11->Widget()->GetScreenPosition());
  zovaz::testing::PumpFor(300);
  // The engine's own unfocused selection leaves the box as dark as the page
  // around the letters.
  const std::vector<wxColour> pixels = zovaz::testing::ScreenPixels(match);
  ASSERT_EQ(pixels.size(), size_t(match.width * match.height));
  const auto light = std::count_if(pixels.begin(), pixels.end(),
                                   [](const wxColour& c) { return !zovaz::IsDarkBackground(c); });
  EXPECT_GT(light, match.width * match.height / 2) << light << " of " << match.width * match.height;

  // The bar's own texts still read when the desktop turns dark meanwhile.
  wxWindow* count = nullptr;
  for (wxWindow* child : form->Extras().Find()->GetChildren()) {
    if (child->GetLabel() == wxString::FromUTF8("Počet shod: 2")) count = child;
  }
  ASSERT_NE(count, nullptr);
  g_object_set(gtk_settings_get_default(), "gtk-application-prefer-dark-theme", TRUE, nullptr);
  zovaz::testing::PumpFor(500);
  EXPECT_GE(zovaz::testing::ContrastOver(count->GetScreenRect()), 4.0);
  g_object_set(gtk_settings_get_default(), "gtk-application-prefer-dark-theme", FALSE, nullptr);
}

TEST_F(BrowsingTest, ZoomLevelSurvivesARestartAndLeavesTheConfigAlone) {
  StartLoggedIn();
  const std::string config = ReadFile(zovaz::ConfigPath(DataDir()));
  EXPECT_DOUBLE_EQ(form->Extras().Zoom(), 1.0);
  Input("key --clearmodifiers ctrl+plus");
  Input("key --clearmodifiers ctrl+plus");
  Input("key --clearmodifiers ctrl+minus");
  EXPECT_DOUBLE_EQ(form->Extras().Zoom(), 1.1);
  // Ctrl+wheel up, one step.
  Input("keydown ctrl click 4 keyup ctrl");
  EXPECT_DOUBLE_EQ(form->Extras().Zoom(), 1.25);
  EXPECT_NEAR(form->WebBrowser_V11->Widget()->GetZoomFactor(), 1.25, 1e-3);
  EXPECT_EQ(ReadFile(zovaz::ConfigPath(DataDir())), config);

  CloseClient();
  StartClient();
  ASSERT_TRUE(WaitForNavigation(0));
  EXPECT_DOUBLE_EQ(form->Extras().Zoom(), 1.25);
  EXPECT_NEAR(form->WebBrowser_V11->Widget()->GetZoomFactor(), 1.25, 1e-3);
  Input("key --clearmodifiers ctrl+0");
  EXPECT_DOUBLE_EQ(form->Extras().Zoom(), 1.0);
  EXPECT_EQ(ReadFile(zovaz::ConfigPath(DataDir())), config);
}

TEST_F(BrowsingTest, LoadingNoticeShowsItsClockOnAShopPage) {
  StartLoggedIn();
  form->WebBrowser_V11->RunScript(zovaz::LoadingScript("Načítám", DataDir()));
  // An image the page may not load has no size.
  EXPECT_TRUE(PumpUntil(
      [&] {
        return EvalInPage("String(document.querySelector('#main img').naturalWidth)") == "32";
      },
      5000))
      << EvalInPage("String(document.querySelector('#main img').naturalWidth)");
}

TEST_F(BrowsingTest, BackNeverLandsOnAPageFrozenUnderTheLoadingNotice) {
  PrepareDataFolder(zovaz::shop::kDemoUser, Digest(), "0");
  StartClient();
  ASSERT_TRUE(WaitForNavigation(0));
  const std::string shown = EvalInPage("document.getElementById('main').innerHTML");
  int before = navigations();
  Click(form->Pipojit1);
  ASSERT_TRUE(WaitForNavigation(before));
  ASSERT_EQ(ShownAddress(), Login());
  before = navigations();
  Input("key --clearmodifiers alt+Left");
  ASSERT_TRUE(WaitForNavigation(before));
  EXPECT_TRUE(ShownAddress().ends_with("/lilindex.html")) << ShownAddress();
  EXPECT_TRUE(PumpUntil(
      [&] { return EvalInPage("document.getElementById('main').innerHTML") == shown; }, 5000));
}

TEST_F(BrowsingTest, KeyboardAloneOpensTheMenusChoosesItemsAndTogglesTheCaret) {
  PrepareDataFolder("", "", "0");
  StartClient();
  ASSERT_TRUE(WaitForNavigation(0));
  wxMenu* opened = nullptr;
  std::vector<int> chosen;
  form->Bind(wxEVT_MENU_OPEN, [&](wxMenuEvent& event) {
    opened = event.GetMenu();
    event.Skip();
  });
  form->Bind(wxEVT_MENU, [&](wxCommandEvent& event) {
    chosen.push_back(event.GetId());
    event.Skip();
  });
  // Alt and the menu's letter open it; a letter then chooses the item.
  for (const auto& [keys, menu, item] : {std::tuple{"alt+p", form->Progr1, form->Lok1},
                                         {"alt+n", form->Npovda1, form->Uivatelskpruka1}}) {
    SCOPED_TRACE(keys);
    opened = nullptr;
    chosen.clear();
    Input(std::string("key --clearmodifiers ") + keys);
    ASSERT_TRUE(PumpUntil([&] { return opened == menu; }, 5000));
    Input("key o");
    EXPECT_TRUE(PumpUntil([&] { return chosen == std::vector<int>{item->GetId()}; }, 5000));
  }

  // F7 turns caret browsing on and off, wherever the focus is.
  EXPECT_FALSE(form->WebBrowser_V11->CaretBrowsing());
  Input("key F7");
  EXPECT_TRUE(form->WebBrowser_V11->CaretBrowsing());
  Input("key --clearmodifiers ctrl+f");
  ASSERT_NE(form->Extras().Find(), nullptr);
  ASSERT_TRUE(form->Extras().Find()->Field()->HasFocus());
  Input("key F7");
  EXPECT_FALSE(form->WebBrowser_V11->CaretBrowsing());
}
