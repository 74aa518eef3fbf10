// Program entry: the application, its title, and its three windows in order.
#include <memory>
#include <wx/app.h>
#include <wx/weakref.h>

#include "Unit1.h"
#include "Unit2.h"
#include "Unit3.h"
#include "exception_report.h"
#include "failure_log.h"
#include "platform/app_icon.h"
#include "platform/default_browser.h"
#include "platform/deployment.h"
#include "platform/message_box.h"
#include "platform/shell.h"
#include "platform/single_instance.h"
#include "core/data_folder.h"

class TApplication : public wxApp {
 public:
  TApplication() { zovaz::ClaimDesktopId(); }

  bool OnInit() override {
    SetAppDisplayName(wxString::FromUTF8(zovaz::kApplicationTitle));
    zovaz::SetUpFailureLog(argv.GetArguments());
    // Two clients on one data folder would overwrite each other's files: a
    // second start brings the first one to the front and ends (see OnRun).
    instance_ = std::make_unique<zovaz::SingleInstance>(zovaz::DataDirOf(zovaz::LocalAppData()));
    handedOver_ = instance_->HandOverToRunning();
    if (handedOver_) return true;
    // Listening before the start-up sequence queues a request that comes
    // while it blocks; it is answered once the window is up.
    instance_->ListenForRaise([this] {
      if (mainWindow_) zovaz::BringToFront(*mainWindow_);
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
  zovaz::ModalMessageBoxes messages_;
  std::unique_ptr<zovaz::SingleInstance> instance_;
  bool handedOver_ = false;
  wxWeakRef<wxTopLevelWindow> mainWindow_;
};

wxIMPLEMENT_APP(TApplication);
