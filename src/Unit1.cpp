#include "Unit1.h"

#include <wx/control.h>
#include <wx/filedlg.h>
#include <wx/log.h>
#include <wx/menu.h>
#include <wx/settings.h>
#include <wx/sizer.h>
#include <wx/webview.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>

#include "Unit2.h"
#include "Unit3.h"
#include "core/app_config.h"
#include "core/data_folder.h"
#include "core/error_page.h"
#include "core/io_error.h"
#include "core/lang_table.h"
#include "core/loading_script.h"
#include "core/shop_address.h"
#include "core/start_page.h"
#include "core/text_file.h"
#include "core/zoom_level.h"
#include "exception_report.h"
#include "failure_log.h"
#include "platform/app_icon.h"
#include "platform/live_wait.h"
#include "platform/shell.h"
#include "platform/web_data.h"
#include "progress_window.h"
#include "wx_text.h"

using namespace zovaz;

TForm1::TForm1(TForm1Environment environment)
    : wxFrame(nullptr, wxID_ANY, Wx(kApplicationTitle), wxDefaultPosition, wxDefaultSize,
              wxDEFAULT_FRAME_STYLE & ~(wxRESIZE_BORDER | wxMAXIMIZE_BOX)),
      environment_(std::move(environment)),
      langTable_(LangTable(environment_.vendorSiteName)) {
  SetBackgroundColour(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE));
  SetIcons(LoadAppIcons(environment_.exeDir));
  CreateMenus();
  WebBrowser_V11 = std::make_unique<BrowserView>(this);
  WebBrowser_V11->OnNavigateComplete(
      [this](const std::string& address) { WebBrowser_V11NavigateComplete(address); });
  // The window is the shop's only one: anything else it opens belongs in the
  // user's own browser.
  WebBrowser_V11->OnNewWindow([this](const std::string& address) { OpenLink(address); });
  WebBrowser_V11->Downloads().SetChooser(
      [this](const std::string& name, const std::string& folder) {
        wxFileDialog dialog(this, Wx(locString("Uložit")), Wx(folder), Wx(name), wxString(),
                            wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
        return dialog.ShowModal() == wxID_OK ? Utf8(dialog.GetPath()) : std::string();
      });
  ContextMenu& menu = WebBrowser_V11->Menu();
  menu.SetTranslate([this](const std::string& text) { return locString(text); });
  menu.OnPrint([this] { Guarded([this] { isk1Click(); }); });
  menu.ProtectAddresses(
      [this](const std::string& address) { return HoldsLoginSecret(address, PasswordHash); });
  wheelZoom_ = std::make_unique<WheelZoom>(
      WebBrowser_V11->Widget()->GetNativeBackend(),
      [this](int step) { SetZoom(step > 0 ? ZoomIn(zoom_) : ZoomOut(zoom_)); });
  // Keys in the page go through the view's own hook; elsewhere in the
  // window (the find bar) through wxWidgets'.
  viewKeys_ = std::make_unique<ViewKeys>(
      WebBrowser_V11->Widget()->GetNativeBackend(),
      [this](int key, int modifiers) { return Shortcut(key, modifiers); });
  Bind(wxEVT_CHAR_HOOK, &TForm1::FormKeyDown, this);
  auto* column = new wxBoxSizer(wxVERTICAL);
  column->Add(WebBrowser_V11->Widget(), 1, wxEXPAND);
  SetSizer(column);
  WebBrowser_V11->OnLoadFailed(
      [this](const std::string& address) { return WebBrowser_V11LoadFailed(address); });
  WebBrowser_V11->OnHomeRequested([this] { WebBrowser_V11->Navigate(StartPage()); });
  WebBrowser_V11->Downloads().OnProgress(
      [this](const DownloadProgress& progress) { ShowDownloadProgress(progress); });
  WebBrowser_V11->Downloads().OnFinished(
      [this](const DownloadOutcome& outcome) { DownloadEnded(outcome); });
  SetClientSize(701, 586);
  const wxSize fixed = GetSize();
  SetSizeHints(fixed, fixed);
  Centre();
  FormCreate();
  ApplyKeptZoom();
}

TForm1::~TForm1() = default;

void TForm1::CreateMenus() {
  Progr1 = new wxMenu;
  Pipojit1 = Progr1->Append(wxID_ANY, Wx("Připojit"));
  Lok1 = Progr1->Append(wxID_ANY, Wx("Odpojit"));
  N3 = Progr1->AppendSeparator();
  Ukon1 = Progr1->Append(wxID_ANY, Wx("Nastavení"));
  N2 = Progr1->AppendSeparator();
  // The keys are handled in FormKeyDown; the menu only shows them.
  isk1 = Progr1->Append(wxID_ANY, Wx("Tisk") + "\tCtrl+P");
  P1 = Progr1->Append(
      wxID_ANY, wxControl::EscapeMnemonics(Wx("Přejít na web " + environment_.vendorSiteName)));
  N1 = Progr1->AppendSeparator();
  Ukonit1 = Progr1->Append(wxID_ANY, Wx("Ukončit") + "\tCtrl+Q");

  Npovda1 = new wxMenu;
  Uivatelskpruka1 = Npovda1->Append(wxID_ANY, Wx("O programu"));
  Uivatelskpruka2 = std::make_unique<wxMenuItem>(nullptr, wxID_ANY, Wx("Uživatelská příručka"));

  MainMenu1 = new wxMenuBar;
  MainMenu1->Append(Progr1, Wx("Program"));
  MainMenu1->Append(Npovda1, Wx("Nápověda"));
  SetMenuBar(MainMenu1);

  BindCommand(Pipojit1, &TForm1::Pipojit1Click);
  BindCommand(Lok1, &TForm1::Lok1Click);
  BindCommand(Ukon1, &TForm1::Ukon1Click);
  BindCommand(isk1, &TForm1::isk1Click);
  BindCommand(P1, &TForm1::P1Click);
  BindCommand(Ukonit1, &TForm1::Ukonit1Click);
  BindCommand(Uivatelskpruka1, &TForm1::Uivatelskpruka1Click);
}

void TForm1::BindCommand(wxMenuItem* item, void (TForm1::*command)()) {
  Bind(
      wxEVT_MENU,
      [this, command](wxCommandEvent&) { Guarded([this, command] { (this->*command)(); }); },
      item->GetId());
}

void TForm1::Guarded(const std::function<void()>& action) {
  try {
    action();
  } catch (...) {
    ReportException(Messages(), std::current_exception());
  }
}

void TForm1::FormCreate() {
  // A failing step ends the sequence; the window still opens with a page.
  bool completed = false;
  Guarded([this, &completed] {
    Lang = kCzechLang;
    LocalizeMenus();
    TidyDataFolder(DataDirOf(environment_.localAppData));
    const bool setUp = CheckVersionAndSetUp();
    SavedCaption = Utf8(GetTitle());
    DataDir = DataDirOf(environment_.localAppData);
    // Before the first page: cookies it sets must land in the lasting store.
    // Without it they last for this run only, which is no reason to stop.
    if (!WebBrowser_V11->KeepCookiesIn(WebDataFolder(DataDir)))
      LogFailure("cookies kept for this run only: no store in " + WebDataFolder(DataDir));
    LoadCfg();
    if (FlagIsOn(AutoLogin)) Pipojit1->Enable(false);
    // About a second after the program started, but not for a download
    // that is over in a moment.
    const auto delay =
        std::max(std::chrono::milliseconds(250), std::chrono::milliseconds(1000) - ProcessAge());
    progress_ =
        std::make_unique<StartupProgress>(locString("Připojuji se k obchodu…"), locString("Zrušit"),
                                          LoadAppIcons(environment_.exeDir), delay);
    // A folder the setup could not fill takes no page either; its failure
    // has been told once.
    if (setUp) RefreshStartPage();
    LoadWebBrowser(FlagIsOn(AutoLogin) ? LoginUrl() : std::string(), false);
    completed = true;
  });
  progress_.reset();
  if (!completed) {
    WebBrowser_V11->Navigate(StartPage());
    Pipojit1->Enable(true);
  }
}

std::string TForm1::locString(const std::string& text) const {
  return Translate(langTable_, Lang, text);
}

void TForm1::LocalizeMenus() {
  for (wxMenu* menu : {Progr1, Npovda1}) {
    for (wxMenuItem* item : menu->GetMenuItems()) {
      if (item->IsSeparator()) continue;
      // The caption is translated as the user reads it: a "&" in the
      // vendor's name stays a "&", and the key shown beside it stays.
      const wxString label = item->GetItemLabel();
      const int tab = label.Find('\t');
      const wxString keys = tab == wxNOT_FOUND ? wxString() : label.Mid(tab);
      item->SetItemLabel(wxControl::EscapeMnemonics(Wx(locString(Utf8(item->GetItemLabelText())))) +
                         keys);
    }
  }
  MainMenu1->SetMenuLabel(1, Wx(locString("Help")));
}

bool TForm1::CheckVersionAndSetUp() {
  const std::string dataDir = DataDirOf(environment_.localAppData);
  if (!SetupNeeded(dataDir)) return true;
  Messages().Inform(
      locString("Nyní proběhne příprava aplikace před prvním spuštěním a její aktualizace."));
  std::vector<std::string> failures;
  if (RunSetup(environment_.exeDir, dataDir, &failures)) return true;
  for (const std::string& failure : failures) LogFailure("setup incomplete: " + failure);
  Messages().Error(
      locString("Přípravu aplikace se nepodařilo dokončit. Zkontrolujte volné místo na disku a "
                "oprávnění ke složce s daty."));
  return false;
}

void TForm1::LoadCfg() {
  std::string unreadable;
  const AppConfig config = ReadAppConfig(ConfigPath(DataDir), &unreadable);
  ServerUrl = config.serverUrl;
  UserName = config.userName;
  PasswordHash = config.passwordHash;
  AutoLogin = config.autoLogin;
  // Its values were never seen, so no save of this run may replace it.
  configUnreadable_ = !unreadable.empty();
  if (configUnreadable_) {
    LogFailure("configuration not read: " + unreadable);
    Messages().Error(
        locString("Soubor s nastavením nelze přečíst. Program jej ponechá beze změny a "
                  "nastavení neuloží:") +
        "\n" + ConfigPath(DataDir));
  }
}

void TForm1::SaveCfg() {
  std::string unreadable;
  if (!configUnreadable_) ReadAppConfig(ConfigPath(DataDir), &unreadable);
  if (configUnreadable_ || !unreadable.empty()) {
    LogFailure("configuration not saved: " + ConfigPath(DataDir) + " could not be read");
    Messages().Error(
        locString("Nastavení nelze uložit, protože soubor s nastavením nelze přečíst:") + "\n" +
        ConfigPath(DataDir));
    return;
  }
  // A failed write is not shown: the values stay in force for this run.
  std::string failure;
  if (!WriteAppConfig(ConfigPath(DataDir), {ServerUrl, UserName, PasswordHash, AutoLogin},
                      &failure))
    LogFailure("configuration not saved: " + failure);
}

std::string TForm1::LocalPage() const { return LocalPagePath(DataDir); }

std::string TForm1::StartPage() const {
  std::error_code ec;
  const std::string local = LocalPage();
  return !DataDir.empty() && std::filesystem::is_regular_file(local, ec)
             ? local
             : ShippedStartPagePath(environment_.exeDir);
}

bool TForm1::Download(const std::string& url, const std::string& path, DownloadOptions options) {
  std::atomic<bool> cancel{false};
  options.cancel = &cancel;
  bool done = false;
  RunWhileLive([&] { done = DownloadFile(url, path, options); },
               [this, &cancel]() -> wxTopLevelWindow* {
                 return progress_ ? progress_->Tick(&cancel) : nullptr;
               });
  return done;
}

std::string TForm1::LoginUrl() const {
  return LoginAddress(ServerUrl, Lang, UserName, PasswordHash);
}

void TForm1::RefreshStartPage() {
  DownloadOptions options = environment_.download;
  // A server error page must never become the offline page.
  options.requireSuccessStatus = true;
  if (Download(LogoutPageAddress(ServerUrl, Lang), RawStartPagePath(DataDir), options)) {
    BuildLocalIndex(RawStartPagePath(DataDir), LocalPage());
  } else {
    LogFailure("start page not refreshed: " + LogoutPageAddress(ServerUrl, Lang) + " failed");
  }
}

void TForm1::BuildLocalIndex(const std::string& source, const std::string& target) {
  DownloadOptions options = environment_.download;
  options.requireSuccessStatus = true;
  if (!Download(StyleSheetAddress(environment_.vendorSiteUrl), StyleSheetPath(DataDir), options))
    LogFailure("style sheet not refreshed: " + StyleSheetAddress(environment_.vendorSiteUrl));
  WriteFileAtomically(target, RewriteStartPage(ReadFileBytes(source), environment_.vendorSiteUrl));
}

void TForm1::LoadWebBrowser(const std::string& url, bool overlay) {
  bool reached = false;
  {
    // The notice's script runs a loop of its own: the user's input waits for
    // the whole step, not only for its download, but never for a message box.
    InputHold hold;
    if (overlay) {
      // The notice is decoration: a page without its anchor must not keep the
      // user from logging in or out.
      try {
        WebBrowser_V11->RunScript(LoadingScript(locString("Načítám"), DataDir));
      } catch (const ScriptError& error) {
        LogFailure(std::string("loading notice not shown: ") + error.what());
      }
    }
    if (url.empty()) {
      WebBrowser_V11->Navigate(StartPage());
      return;
    }
    reached = Download(ProbeAddress(environment_.vendorSiteUrl), ProbeTargetPath(DataDir),
                       environment_.download);
  }
  // The start-up's last download is over: its message, if any, stands alone.
  progress_.reset();
  if (reached) {
    WebBrowser_V11->Navigate(url, environment_.download.overallTimeoutMs);
  } else {
    Messages().Inform(locString("Nelze navázat spojení, zkontrolujte připojení k Internetu."));
    WebBrowser_V11->Navigate(StartPage());
  }
}

void TForm1::Connect() {
  SetTitle(GetTitle() + Wx(" - " + locString("Načítám")));
  LoadWebBrowser(LoginUrl(), true);
  SetConnectMenuState(false);
}

void TForm1::SetConnectMenuState(bool enabled) {
  Lok1->Enable(true);
  Pipojit1->Enable(enabled);
}

void TForm1::SetDialogs(TForm2* settings, TForm3* about) {
  settings_ = settings;
  about_ = about;
}

void TForm1::Pipojit1Click() {
  if (!UserName.empty() && !PasswordHash.empty()) {
    Connect();
  } else {
    Ukon1Click();
  }
}

void TForm1::Lok1Click() {
  LoadWebBrowser("", true);
  SetConnectMenuState(true);
}

void TForm1::Ukon1Click() {
  if (settings_ != nullptr) settings_->ShowModal();
}

void TForm1::isk1Click() { WebBrowser_V11->RunScript(kPrintScript); }

void TForm1::P1Click() { OpenLink(environment_.vendorSiteUrl); }

bool TForm1::OpenLink(const std::string& url) {
  return environment_.openLink && environment_.openLink(url);
}

void TForm1::Ukonit1Click() { Close(true); }

void TForm1::Uivatelskpruka1Click() {
  if (about_ != nullptr) about_->ShowModal();
}

void TForm1::WebBrowser_V11NavigateComplete(const std::string&) { SetTitle(Wx(SavedCaption)); }

void TForm1::FormKeyDown(wxKeyEvent& event) {
  const int key = event.GetKeyCode();
  if (!Shortcut(key >= 'a' && key <= 'z' ? key - 'a' + 'A' : key, event.GetModifiers()))
    event.Skip();
}

bool TForm1::Shortcut(int key, int modifiers) {
  const bool ctrl = modifiers == wxMOD_CONTROL;
  wxWebView* view = WebBrowser_V11->Widget();
  if ((key == WXK_F5 && modifiers == wxMOD_NONE) || (ctrl && key == 'R')) {
    view->Reload();
  } else if (modifiers == wxMOD_ALT && key == WXK_LEFT) {
    if (view->CanGoBack()) view->GoBack();
  } else if (modifiers == wxMOD_ALT && key == WXK_RIGHT) {
    if (view->CanGoForward()) view->GoForward();
  } else if (ctrl && key == 'P') {
    Guarded([this] { isk1Click(); });
  } else if (ctrl && key == 'Q') {
    Ukonit1Click();
  } else if (ctrl && key == 'F') {
    OpenFindBar();
  } else if ((modifiers & ~wxMOD_SHIFT) == wxMOD_CONTROL &&
             (key == '+' || key == '=' || key == WXK_NUMPAD_ADD || key == WXK_ADD)) {
    SetZoom(ZoomIn(zoom_));
  } else if (ctrl && (key == '-' || key == WXK_NUMPAD_SUBTRACT || key == WXK_SUBTRACT)) {
    SetZoom(ZoomOut(zoom_));
  } else if (ctrl && (key == '0' || key == WXK_NUMPAD0)) {
    SetZoom(kNormalZoom);
  } else if (key == WXK_ESCAPE && modifiers == wxMOD_NONE && FindBar1 != nullptr &&
             FindBar1->IsShown()) {
    FindBar1->Close();
  } else {
    return false;
  }
  return true;
}

void TForm1::OpenFindBar() {
  if (FindBar1 == nullptr) {
    FindBar1 =
        new FindBar(this, WebBrowser_V11->Widget(), WebBrowser_V11->Widget()->GetNativeBackend(),
                    [this](const std::string& text) { return locString(text); });
    FindBar1->Hide();
    GetSizer()->Add(FindBar1, 0, wxEXPAND);
  }
  FindBar1->Open();
}

void TForm1::ApplyKeptZoom() {
  if (DataDir.empty()) return;
  zoom_ = ReadZoomLevel(ZoomStatePath(DataDir));
  WebBrowser_V11->Widget()->SetZoomFactor(static_cast<float>(zoom_));
}

void TForm1::SetZoom(double level) {
  zoom_ = level;
  WebBrowser_V11->Widget()->SetZoomFactor(static_cast<float>(zoom_));
  if (DataDir.empty()) return;
  try {
    WriteZoomLevel(ZoomStatePath(DataDir), zoom_);
  } catch (const IoError& error) {
    // The level stays in force for this run.
    LogFailure(std::string("zoom level not kept: ") + error.what());
  }
}

std::string TForm1::WebBrowser_V11LoadFailed(const std::string& address) {
  // A login that fails must not leave the loading caption behind.
  SetTitle(Wx(SavedCaption));
  return ErrorPageHtml({locString("Obchod Z-ovaz není dostupný"),
                        locString("Stránku obchodu se nepodařilo načíst. Zkontrolujte připojení "
                                  "k Internetu a zkuste to znovu."),
                        locString("Zkusit znovu"), locString("Úvodní stránka")},
                       address);
}

void TForm1::ShowDownloadProgress(const DownloadProgress& progress) {
  const std::string name = progress.path.substr(progress.path.rfind('/') + 1);
  const wxString title =
      Wx(SavedCaption + " - " +
         DownloadProgressText(locString("Stahuji"), name, progress.received, progress.total));
  // The engine reports every piece; the caption changes with the figure.
  if (title != GetTitle()) SetTitle(title);
}

void TForm1::DownloadEnded(const DownloadOutcome& outcome) {
  SetTitle(Wx(SavedCaption));
  if (outcome.path.empty()) return;  // the user cancelled
  // Shown once the engine's signal has returned: the box runs a loop of its own.
  if (outcome.saved) {
    CallAfter([this, text = locString("Soubor byl uložen:") + "\n" + outcome.path] {
      Messages().Inform(text);
    });
  } else {
    CallAfter([this, text = locString("Stahování se nezdařilo, soubor nebyl uložen:") + "\n" +
                            outcome.path] { Messages().Error(text); });
  }
}
