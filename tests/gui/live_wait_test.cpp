// The main window while a download runs: it stays painted, and the user's
// input waits until the step is done.
#include <gtk/gtk.h>
#include <httplib.h>
#include <wx/button.h>
#include <wx/dcclient.h>
#include <wx/frame.h>
#include <wx/panel.h>
#include <wx/timer.h>
#include <wx/uiaction.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "common/test_servers.h"
#include "core/data_folder.h"
#include "core/shop_address.h"
#include "core/time_limits.h"
#include "crypto/password_digest.h"
#include "gui_support.h"
#include "platform/wx_text.h"
#include "progress_window.h"

namespace fs = std::filesystem;
using zovaz::testing::ClientTest;
using zovaz::testing::PumpFor;
using zovaz::testing::PumpUntil;

namespace {

// Makes `site` a vendor site whose probe answers after `delayMs`; the rest
// is missing.
void AnswerProbeAfter(zovaz::testing::LocalHttpServer& site, int delayMs) {
  site.server().Get(".*", [delayMs](const httplib::Request& req, httplib::Response& res) {
    if (req.path == zovaz::ProbeAddress("")) {
      std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
      res.set_content("GIF89a", "image/gif");
    } else {
      res.status = 404;
    }
  });
}

class LiveWaitTest : public ClientTest {
 protected:
  // The main window with its vendor site (the probe's server) at `site`.
  void StartWithSite(const std::string& site) {
    TForm1Environment environment = Environment();
    environment.vendorSiteUrl = site;
    environment.download.stallTimeoutMs = 10000;
    form = new TForm1(environment);
    form->Show();
    PumpFor(300);
  }
  // A slow start-up shows the progress window, which the customer cancels
  // by its button or, `byClosing`, by closing it: cancelling too.
  void CancelSlowStart(bool byClosing);
};

}  // namespace

TEST_F(LiveWaitTest, WindowsStayLiveDuringADownloadWhileInputWaitsForTheStep) {
  PrepareDataFolder(zovaz::shop::kDemoUser, "0123456789abcdef0123456789abcdef", "0");
  zovaz::testing::LocalHttpServer site;
  AnswerProbeAfter(site, 3000);
  StartWithSite(site.Url(""));

  // A control of the program's, clicked half a second into the wait.
  auto* other = new wxFrame(nullptr, wxID_ANY, "other", wxPoint(750, 100), wxSize(200, 100));
  auto* panel = new wxPanel(other);
  auto* button = new wxButton(panel, wxID_ANY, "press", wxPoint(10, 10));
  other->Show();
  ASSERT_TRUE(PumpUntil([&] { return button->IsShownOnScreen(); }, 5000));
  PumpFor(200);
  bool connectDoneAtClick = false;
  int clicks = 0;
  button->Bind(wxEVT_BUTTON, [&](wxCommandEvent&) {
    ++clicks;
    // Connect ends by greying Připojit: the click came after it.
    connectDoneAtClick = !form->Pipojit1->IsEnabled();
  });
  int ticks = 0;
  int paints = 0;
  panel->Bind(wxEVT_PAINT, [&](wxPaintEvent&) {
    wxPaintDC dc(panel);
    ++paints;
  });
  wxTimer timer;
  timer.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
    if (++ticks == 5) {
      wxUIActionSimulator pointer;
      const wxRect rect = button->GetScreenRect();
      pointer.MouseMove(rect.GetPosition() + rect.GetSize() / 2);
      pointer.MouseClick();
    }
    panel->Refresh();
  });
  timer.Start(100);

  const auto start = std::chrono::steady_clock::now();
  Click(form->Pipojit1);
  const auto waited = std::chrono::steady_clock::now() - start;
  const int ticksDuringWait = ticks;
  const int paintsDuringWait = paints;
  const int clicksDuringWait = clicks;
  EXPECT_TRUE(PumpUntil([&] { return clicks > 0; }, 3000));
  timer.Stop();
  other->Destroy();

  EXPECT_GE(waited, std::chrono::milliseconds(2800));
  // Timers ran and the window repainted all along the wait.
  EXPECT_GE(ticksDuringWait, 15);
  EXPECT_GE(paintsDuringWait, 10);
  // The click waited for the step and came through once, after it.
  EXPECT_EQ(clicksDuringWait, 0);
  EXPECT_EQ(clicks, 1);
  EXPECT_TRUE(connectDoneAtClick);
  EXPECT_TRUE(recorder.messages.empty());
}

TEST_F(LiveWaitTest, SlowStartShowsAProgressWindowWhoseCancelEndsTheStartUpQuietly) {
  CancelSlowStart(false);
}

TEST_F(LiveWaitTest, ClosingTheProgressWindowCancelsAndItDoesNotComeBack) { CancelSlowStart(true); }

void LiveWaitTest::CancelSlowStart(bool byClosing) {
  PrepareDataFolder(zovaz::shop::kDemoUser, "0123456789abcdef0123456789abcdef", "1");
  zovaz::testing::LocalHttpServer site;
  AnswerProbeAfter(site, 8000);
  wxTopLevelWindow* progress = nullptr;
  std::string text;
  wxTimer timer;
  timer.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
    if (form == nullptr && progress == nullptr) {
      for (wxWindow* window : wxTopLevelWindows) {
        auto* shown = static_cast<wxTopLevelWindow*>(window);
        // The main window, shown at once, carries the same title.
        if (shown->IsShown() && Utf8(shown->GetTitle()) == zovaz::kApplicationTitle &&
            dynamic_cast<TForm1*>(shown) == nullptr)
          progress = shown;
      }
      if (progress == nullptr) return;
      for (wxWindow* child : progress->GetChildren().front()->GetChildren()) {
        if (auto* button = dynamic_cast<wxButton*>(child)) {
          text += Utf8(button->GetLabel());
          if (byClosing) {
            progress->Close();
            continue;
          }
          wxUIActionSimulator pointer;
          const wxRect rect = button->GetScreenRect();
          pointer.MouseMove(rect.GetPosition() + rect.GetSize() / 2);
          pointer.MouseClick();
        } else {
          text += Utf8(child->GetLabel()) + "|";
        }
      }
    }
  });
  timer.Start(200);
  const auto start = std::chrono::steady_clock::now();
  StartWithSite(site.Url(""));
  timer.Stop();
  ASSERT_NE(progress, nullptr);
  EXPECT_EQ(text, "Připojuji se k obchodu…|Zrušit");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(6));
  // The customer's own cancel is no connection fault: no message, and the
  // local page instead of the shop.
  EXPECT_TRUE(recorder.messages.empty());
  EXPECT_TRUE(PumpUntil([&] {
    return form->WebBrowser_V11->CurrentAddress().ends_with("/Marlevo/__app/lilindex.html");
  }));
  // The window went with the start-up.
  EXPECT_EQ(form->Progress(), nullptr);
  PumpFor(100);
  for (wxWindow* window : wxTopLevelWindows) EXPECT_TRUE(window == form || !window->IsShown());
}

namespace {

// A page that takes over every script the client runs in it: the loading
// notice looks its anchor up, and the look-up never returns.
class HangingPageTest : public LiveWaitTest {
 protected:
  void ShowHangingPage() {
    PrepareDataFolder(zovaz::shop::kDemoUser, zovaz::PasswordDigest(zovaz::shop::kDemoPassword),
                      "0");
    StartClient();
    ASSERT_TRUE(WaitForNavigation(0));
    const std::string page = pages_ / "hang.html";
    zovaz::testing::WriteFile(page,
                              "<html><body><div id=\"main\">page</div><script>"
                              "document.getElementById = function() { for (;;) {} };"
                              "</script></body></html>");
    const int before = navigations();
    form->WebBrowser_V11->Navigate(page);
    ASSERT_TRUE(WaitForNavigation(before));
  }
  bool ShowsShop() { return ShownAddress().find("/moveup/") != std::string::npos; }

  zovaz::testing::TempDir pages_;
};

}  // namespace

TEST_F(HangingPageTest, ScriptThatNeverReturnsCountsAsFailedAndConnectGoesOn) {
  ShowHangingPage();
  const int before = navigations();
  const auto start = std::chrono::steady_clock::now();
  Click(form->Pipojit1);
  const auto locked = std::chrono::steady_clock::now() - start;
  // The notice failed as a failing script does; the login went on, in a
  // page process of its own.
  ASSERT_TRUE(WaitForNavigation(before));
  EXPECT_TRUE(PumpUntil([&] { return ShowsShop(); })) << ShownAddress();
  const auto usable = std::chrono::steady_clock::now() - start;
  std::printf(
      "[ measure ] hanging script: input back after %lld ms, shop shown after %lld ms\n",
      static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(locked).count()),
      static_cast<long long>(
          std::chrono::duration_cast<std::chrono::milliseconds>(usable).count()));
  EXPECT_LT(locked, std::chrono::milliseconds(zovaz::kScriptDeadlineMs + 3000));
  EXPECT_FALSE(form->Pipojit1->IsEnabled());
  EXPECT_EQ(Utf8(form->GetTitle()), zovaz::kApplicationTitle);
  EXPECT_TRUE(recorder.messages.empty());
}

TEST_F(HangingPageTest, CtrlQAndClosingTheWindowWorkWhileAStepWaits) {
  ShowHangingPage();
  for (const bool byKey : {true, false}) {
    SCOPED_TRACE(byKey ? "Ctrl+Q" : "closing the window");
    std::chrono::steady_clock::time_point asked;
    std::chrono::steady_clock::time_point closed;
    // Kept open, so that the test can go on with the same window.
    auto keepOpen = [&](wxCloseEvent&) { closed = std::chrono::steady_clock::now(); };
    form->Bind(wxEVT_CLOSE_WINDOW, keepOpen);
    wxTimer timer;
    timer.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
      asked = std::chrono::steady_clock::now();
      if (byKey) {
        wxUIActionSimulator keys;
        keys.MouseMove(form->WebBrowser_V11->Widget()->GetScreenRect().GetPosition() +
                       wxPoint(300, 300));
        keys.Char('q', wxMOD_CONTROL);
      } else {
        // As the desktop's close button asks.
        GdkEvent* request = gdk_event_new(GDK_DELETE);
        request->any.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(form->GetHandle())));
        request->any.send_event = TRUE;
        gdk_event_put(request);
        gdk_event_free(request);
      }
    });
    timer.StartOnce(700);
    Click(form->Lok1);
    ASSERT_NE(asked, std::chrono::steady_clock::time_point());
    ASSERT_TRUE(
        PumpUntil([&] { return closed != std::chrono::steady_clock::time_point(); }, 10000));
    const auto took = closed - asked;
    std::printf("[ measure ] %s during a hold: close asked after %lld ms\n",
                byKey ? "Ctrl+Q" : "close button",
                static_cast<long long>(
                    std::chrono::duration_cast<std::chrono::milliseconds>(took).count()));
    EXPECT_LT(took, std::chrono::milliseconds(1500));
    form->Unbind(wxEVT_CLOSE_WINDOW, keepOpen);
    EXPECT_TRUE(recorder.messages.empty());
    // The local page again, for the next round.
    const int before = navigations();
    form->WebBrowser_V11->Navigate(pages_ / "hang.html");
    ASSERT_TRUE(WaitForNavigation(before));
  }
}
