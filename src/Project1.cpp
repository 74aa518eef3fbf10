// Program entry: the application, its title, and its three windows in order.
#include <wx/app.h>
#include <wx/weakref.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "Unit1.h"
#include "Unit2.h"
#include "Unit3.h"
#include "core/data_folder.h"
#include "exception_report.h"
#include "platform/app_icon.h"
#include "platform/default_browser.h"
#include "platform/deployment.h"
#include "platform/download.h"
#include "platform/message_box.h"
#include "platform/shell.h"
#include "platform/single_instance.h"

class TApplication : public wxApp {
 public:
  TApplication() {
    zovaz::ClaimDesktopId();
    // The toolkit consumes it when it starts; a second start hands it on.
    if (const char* id = std::getenv("DESKTOP_STARTUP_ID")) startupId_ = id;
  }

  bool OnInit() override {
    SetAppDisplayName(wxString::FromUTF8(zovaz::kApplicationTitle));
    // Two clients on one data folder would overwrite each other's files: a
    // second start brings the first one to the front and ends (see OnRun).
    instance_ = std::make_unique<zovaz::SingleInstance>(zovaz::DataDirOf(zovaz::LocalAppData()));
    // A start during the first one's start-up waits for its first window.
    handedOver_ =
        instance_->HandOverToRunning(zovaz::DownloadOptions{}.overallTimeoutMs, startupId_);
    if (handedOver_) {
      zovaz::CompleteStartupNotification();
      return true;
    }
    // Listening before the start-up sequence: a request waits until a window
    // (the progress window or the main one) is shown, then raises it.
    instance_->ListenForRaise([this](const std::string& startupId) {
      wxTopLevelWindow* shown = ShownWindow();
      if (shown == nullptr) return zovaz::BringAnyShownToFront(startupId);
      zovaz::BringToFront(*shown, startupId);
      return true;
    });
    TForm1Environment environment;
    environment.localAppData = zovaz::LocalAppData();
    environment.exeDir = zovaz::ExeDirOf(zovaz::ExecutablePath());
    environment.vendorSiteUrl = zovaz::VendorSiteUrl();
    environment.vendorSiteName = zovaz::VendorSiteName();
    environment.messages = &messages_;
    environment.openLink = zovaz::OpenInDefaultBrowser;

    auto* form1 = new TForm1(environment);
    messages_.SetParent(form1);
    SetTopWindow(form1);
    auto* form2 = new TForm2(form1, *form1);
    auto* form3 = new TForm3(form1, *form1);
    form1->SetDialogs(form2, form3);
    form1->Show();
    mainWindow_ = form1;
    zovaz::CompleteStartupNotification();
    return true;
  }

  int OnRun() override { return handedOver_ ? 0 : wxApp::OnRun(); }

  // The windows are gone: a new start may take the data folder over.
  int OnExit() override {
    instance_.reset();
    return wxApp::OnExit();
  }

  // Whatever a handler let through is shown, and the program goes on.
  bool OnExceptionInMainLoop() override {
    zovaz::ReportException(messages_, std::current_exception());
    return true;
  }

 private:
  wxTopLevelWindow* ShownWindow() const {
    if (mainWindow_ && mainWindow_->IsShown()) return mainWindow_;
    for (wxWindow* window : wxTopLevelWindows)
      if (window->IsShown()) return static_cast<wxTopLevelWindow*>(window);
    return nullptr;
  }

  std::string startupId_;
  zovaz::ModalMessageBoxes messages_;
  std::unique_ptr<zovaz::SingleInstance> instance_;
  bool handedOver_ = false;
  wxWeakRef<wxTopLevelWindow> mainWindow_;
};

wxIMPLEMENT_APP(TApplication);
