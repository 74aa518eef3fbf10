// The main window while a download runs: it stays painted, and the user's
// input waits until the step is done.
#include <httplib.h>
#include <wx/button.h>
#include <wx/dcclient.h>
#include <wx/frame.h>
#include <wx/panel.h>
#include <wx/timer.h>
#include <wx/uiaction.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "common/test_servers.h"
#include "core/data_folder.h"
#include "core/shop_address.h"
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

TEST_F(LiveWaitTest, SlowStartShowsAProgressWindowWhoseCancelFailsTheDownload) {
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
        if (shown->IsShown() && Utf8(shown->GetTitle()) == zovaz::kApplicationTitle)
          progress = shown;
      }
      if (progress == nullptr) return;
      for (wxWindow* child : progress->GetChildren().front()->GetChildren()) {
        if (auto* button = dynamic_cast<wxButton*>(child)) {
          text += Utf8(button->GetLabel());
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
  // The cancel failed the probe, with the usual message.
  ASSERT_EQ(recorder.messages.size(), 1u);
  EXPECT_EQ(recorder.messages[0].text,
            "Nelze navázat spojení, zkontrolujte připojení k Internetu.");
  // The window went with the start-up.
  EXPECT_EQ(form->Progress(), nullptr);
  PumpFor(100);
  for (wxWindow* window : wxTopLevelWindows) EXPECT_TRUE(window == form || !window->IsShown());
}
