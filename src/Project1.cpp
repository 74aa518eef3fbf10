// Program entry: the application, its title, and its three windows in order.
#include <wx/app.h>
#include <wx/weakref.h>
#include <wx/webview.h>

#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Unit1.h"
#include "Unit2.h"
#include "Unit3.h"
#include "core/data_folder.h"
#include "core/deep_link.h"
#include "core/lang_table.h"
#include "core/time_limits.h"
#include "exception_report.h"
#include "failure_log.h"
#include "platform/app_icon.h"
#include "platform/dark_style.h"
#include "platform/default_browser.h"
#include "platform/deployment.h"
#include "platform/message_box.h"
#include "platform/shell.h"
#include "platform/single_instance.h"
#include "platform/ui_language.h"
#include "platform/web_renderer.h"

class TApplication : public wxApp {
 public:
  TApplication() {
    zovaz::ClaimDesktopId();
    // Before the toolkit reads the locale.
    zovaz::UseCzechMessages();
    // The engine reads its drawing settings once, when the first view is made.
    zovaz::ChooseWebRenderer();
    // The toolkit consumes it when it starts; a second start hands it on.
    if (const char* id = std::getenv("DESKTOP_STARTUP_ID")) startupId_ = id;
  }

  bool OnInit() override {
    zovaz::LoadToolkitTranslations();
    // Before the first window: the toolkit and the page then start in the
    // desktop's colours, or switch as soon as the desktop has answered.
    zovaz::FollowDesktopColorScheme();
    SetAppDisplayName(wxString::FromUTF8(zovaz::kApplicationTitle));
    zovaz::SetUpFailureLog(argv.GetArguments());
    // Two clients on one data folder would overwrite each other's files: a
    // second start brings the first one to the front and ends (see OnRun).
    const std::string dataDir = zovaz::DataDirOf(zovaz::LocalAppData());
    // Prepared by another user (a shared XDG_DATA_HOME), they could read or
    // swap what the client keeps there: refused before anything is written.
    for (const std::string& path : {dataDir, zovaz::InstanceLockPath(dataDir)}) {
      if (!zovaz::BelongsToOthers(path)) continue;
      zovaz::LogFailure("not started: " + path + " belongs to another user");
      const std::string text =
          zovaz::Translate(zovaz::LangTable(zovaz::VendorSiteName()), zovaz::kCzechLang,
                           "Složka s daty aplikace nebo její zámek patří jinému uživateli, a proto "
                           "je nelze použít.");
      messages_.Error(text + "\n" + path);
      return false;
    }
    // The desktop's "%u": the first argument that is an address; the rest
    // stay ignored.
    std::string link;
    for (size_t i = 1; i < argv.GetArguments().size() && link.empty(); ++i) {
      const std::string argument = argv[i].utf8_string();
      if (zovaz::LooksLikeDeepLink(argument)) link = argument;
    }
    instance_ = std::make_unique<zovaz::SingleInstance>(dataDir);
    // A start during the first one's start-up waits for its first window.
    handedOver_ = instance_->HandOverToRunning(zovaz::kSecondStartWaitMs, startupId_, link);
    if (handedOver_) {
      zovaz::CompleteStartupNotification();
      return true;
    }
    // Listening before the start-up sequence: a request waits until a window
    // (the progress window or the main one) is shown, then raises it.
    const bool listening = instance_->ListenForRaise(
        [this](const std::string& startupId) {
          wxTopLevelWindow* shown = ShownWindow();
          if (shown == nullptr) return zovaz::BringAnyShownToFront(startupId);
          zovaz::BringToFront(*shown, startupId);
          return true;
        },
        // Outside the channel's handler: a refusal's box runs a loop of its own.
        [this](const std::string& handedOver) {
          CallAfter([this, handedOver] { ShowLink(handedOver); });
        });
    // This client still runs; a second start just cannot hand over to it.
    if (!listening) zovaz::LogFailure("second starts cannot reach this client: not listening");
    TForm1Environment environment;
    environment.localAppData = zovaz::LocalAppData();
    environment.exeDir = zovaz::ExeDirOf(zovaz::ExecutablePath());
    environment.vendorSiteUrl = zovaz::VendorSiteUrl();
    environment.vendorSiteName = zovaz::VendorSiteName();
    environment.messages = &messages_;
    environment.openLink = zovaz::OpenInDefaultBrowser;
    environment.openFile = zovaz::OpenWithDesktop;

    auto* form1 = new TForm1(environment);
    messages_.SetParent(form1);
    SetTopWindow(form1);
    form1_ = form1;
    // The dialogs wait until the first page has shown: building them costs
    // the window its first paint otherwise.
    form1->WebBrowser_V11->Widget()->Bind(wxEVT_WEBVIEW_LOADED, &TApplication::FirstPageDone, this);
    form1->WebBrowser_V11->Widget()->Bind(wxEVT_WEBVIEW_ERROR, &TApplication::FirstPageDone, this);
    // Shown already when the sequence waited; otherwise once the view has
    // drawn, so the window never opens on an empty view.
    form1->ShowWhenDrawn();
    mainWindow_ = form1;
    // This start's own link first, then those handed over meanwhile: the
    // latest wins.
    if (!link.empty()) ShowLink(link);
    for (const std::string& waiting : std::exchange(linksBeforeWindow_, {}))
      form1->ShowDeepLink(waiting);
    return true;
  }

  // A menu command reaches the dialogs through the main window; one that
  // comes before they were made makes them first.
  int FilterEvent(wxEvent& event) override {
    if (event.GetEventType() == wxEVT_MENU) CreateDialogs();
    return wxApp::FilterEvent(event);
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
  void FirstPageDone(wxWebViewEvent& event) {
    event.Skip();
    // The engine's own empty page comes before the client's.
    if (event.GetURL() == "about:blank" || !form1_) return;
    for (const auto& type : {wxEVT_WEBVIEW_LOADED, wxEVT_WEBVIEW_ERROR})
      form1_->WebBrowser_V11->Widget()->Unbind(type, &TApplication::FirstPageDone, this);
    form1_->Bind(wxEVT_IDLE, &TApplication::FirstIdle, this);
  }

  void FirstIdle(wxIdleEvent& event) {
    event.Skip();
    if (form1_) form1_->Unbind(wxEVT_IDLE, &TApplication::FirstIdle, this);
    CreateDialogs();
  }

  // In the order the windows always had: main window, settings, About.
  void CreateDialogs() {
    if (dialogsCreated_ || !form1_) return;
    dialogsCreated_ = true;
    auto* form2 = new TForm2(form1_, *form1_);
    auto* form3 = new TForm3(form1_, *form1_);
    form1_->SetDialogs(form2, form3);
  }

  // The main window decides once its start-up is over and its settings are
  // read; until then a link waits.
  void ShowLink(const std::string& link) {
    if (mainWindow_ && form1_) {
      form1_->ShowDeepLink(link);
    } else {
      linksBeforeWindow_.push_back(link);
    }
  }

  wxTopLevelWindow* ShownWindow() const {
    if (mainWindow_ && mainWindow_->IsShown()) return mainWindow_;
    for (wxWindow* window : wxTopLevelWindows)
      if (window->IsShown()) return static_cast<wxTopLevelWindow*>(window);
    return nullptr;
  }

  std::string startupId_;
  zovaz::ModalMessageBoxes messages_;
  wxWeakRef<TForm1> form1_;
  bool dialogsCreated_ = false;
  std::unique_ptr<zovaz::SingleInstance> instance_;
  bool handedOver_ = false;
  wxWeakRef<wxTopLevelWindow> mainWindow_;
  std::vector<std::string> linksBeforeWindow_;
};

wxIMPLEMENT_APP(TApplication);
