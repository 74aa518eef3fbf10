// The shop window among the desktop's programs: links off the shop go to
// the desktop's browser, forms are spell-checked in Czech, the shop's
// notifications reach the desktop and no one else's do.
#include <signal.h>
#include <sys/wait.h>
#include <webkit2/webkit2.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

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

  // What the page answered when it asked to notify, after it sent `title`.
  std::string AskAndNotify(const std::string& title) {
    EvalInPage(
        "window.answer='';Notification.requestPermission().then(function(p){"
        "window.answer=p;new Notification('" +
        title + "',{body:'Z-ovaz'});});'ok'");
    std::string answer;
    PumpUntil(
        [&] {
          answer = EvalInPage("window.answer");
          return !answer.empty();
        },
        5000);
    return answer;
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

// --- notifications ----------------------------------------------------------

// Runs inside its own D-Bus session, started by the case below; skipped
// in any other run.
TEST_F(DesktopCitizenTest, NotifyingInsideAPrivateSession) {
  if (std::getenv("ZOVAZ_NOTIFICATION_SESSION") == nullptr) GTEST_SKIP();
  StartOn("/documents");
  EXPECT_EQ(AskAndNotify("Objednávka přijata"), "granted");
  const int before = navigations();
  form->WebBrowser_V11->Navigate(OffSite("/documents"));
  ASSERT_TRUE(WaitForNavigation(before));
  EXPECT_EQ(AskAndNotify("Cizí oznámení"), "denied");
  // What the engine sends goes out on the bus while the loop runs.
  PumpFor(1500);
  EXPECT_TRUE(recorder.messages.empty());
}

// A D-Bus session of its own with a notification daemon on it, both ended
// with the case; the client runs in a child process, as the engine talks to
// the first session bus it meets for the rest of the process.
class DesktopNotifications : public ::testing::Test {
 protected:
  void TearDown() override {
    for (GPid pid : {daemon_, bus_}) {
      if (pid == 0) continue;
      kill(pid, SIGTERM);
      waitpid(pid, nullptr, 0);
    }
  }
  std::string Bus() const { return "unix:path=" + folder_.path() + "/bus"; }
  GPid Start(const std::vector<std::string>& command) {
    gchar** environment =
        g_environ_setenv(g_get_environ(), "DBUS_SESSION_BUS_ADDRESS", Bus().c_str(), TRUE);
    environment = g_environ_setenv(environment, "HOME", folder_.path().c_str(), TRUE);
    std::vector<gchar*> argv;
    for (const std::string& word : command) argv.push_back(const_cast<gchar*>(word.c_str()));
    argv.push_back(nullptr);
    GPid pid = 0;
    const bool started = g_spawn_async(
        nullptr, argv.data(), environment,
        static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD |
                                 G_SPAWN_STDOUT_TO_DEV_NULL | G_SPAWN_STDERR_TO_DEV_NULL),
        nullptr, nullptr, &pid, nullptr);
    g_strfreev(environment);
    return started ? pid : 0;
  }
  // A command's output and whether it ended well, run on the private bus.
  bool Run(const std::string& command, std::string* output = nullptr) {
    const std::string line = "DBUS_SESSION_BUS_ADDRESS=" + Bus() + " " + command;
    FILE* pipe = popen(line.c_str(), "r");
    if (pipe == nullptr) return false;
    std::string text;
    char buffer[4096];
    while (const size_t n = fread(buffer, 1, sizeof buffer, pipe)) text.append(buffer, n);
    if (output != nullptr) *output = text;
    return pclose(pipe) == 0;
  }

  zovaz::testing::TempDir folder_;
  GPid bus_ = 0;
  GPid daemon_ = 0;
};

TEST_F(DesktopNotifications, ShopsNotificationReachesTheDaemonAndAnotherSitesDoesNot) {
  if (std::getenv("ZOVAZ_NOTIFICATION_SESSION") != nullptr) GTEST_SKIP();
  bus_ = Start({"dbus-daemon", "--session", "--nofork", "--nopidfile", "--address=" + Bus()});
  ASSERT_NE(bus_, 0);
  ASSERT_TRUE(PumpUntil([&] { return zovaz::testing::Exists(folder_.path() + "/bus"); }, 5000));
  daemon_ = Start({"dunst", "-config", "/dev/null"});
  ASSERT_NE(daemon_, 0);
  ASSERT_TRUE(PumpUntil([&] { return Run("dunstctl count displayed >/dev/null 2>&1"); }, 10000));

  const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
  std::string log;
  EXPECT_TRUE(Run("ZOVAZ_NOTIFICATION_SESSION=1 timeout 120 " + self +
                      " --gtest_filter=DesktopCitizenTest.NotifyingInsideAPrivateSession 2>&1",
                  &log))
      << log;
  // Shown ones count once they are closed.
  ASSERT_TRUE(Run("dunstctl close-all"));
  PumpUntil([] { return false; }, 300);
  std::string history;
  ASSERT_TRUE(Run("dunstctl history", &history));
  EXPECT_NE(history.find("Objednávka přijata"), std::string::npos) << history;
  EXPECT_EQ(history.find("Cizí oznámení"), std::string::npos) << history;
  std::string count;
  ASSERT_TRUE(Run("dunstctl count history", &count));
  EXPECT_EQ(count, "1\n");
}

}  // namespace
