#include "Unit1.h"

#include <wx/control.h>
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
#include "core/lang_table.h"
#include "core/loading_script.h"
#include "core/native_path.h"
#include "core/shop_address.h"
#include "core/site_address.h"
#include "core/start_page.h"
#include "core/text_file.h"
#include "exception_report.h"
#include "failure_log.h"
#include "platform/accessibility.h"
#include "platform/app_icon.h"
#include "platform/live_wait.h"
#include "platform/shell.h"
#include "platform/spell_check.h"
#include "platform/web_data.h"
#include "platform/wx_text.h"
#include "progress_window.h"

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
  std::string siteData;
  if (!WebBrowser_V11->KeepSiteDataPrivate(&siteData))
    LogFailure("the web engine's own folders may be readable by others: " + siteData);
  WebBrowser_V11->OnNavigateComplete(
      [this](const std::string& address) { WebBrowser_V11NavigateComplete(address); });
  // The window is the shop's only one: anything else it opens belongs in the
  // user's own browser.
  WebBrowser_V11->OnNewWindow([this](const std::string& address) { HandToBrowser(address); });
  // So does a click that leaves the shop's sites; the shop's pages stay here.
  WebBrowser_V11->OnLinkClicked([this](const std::string& address) {
    const LinkRoute route =
        RouteClickedLink(address, {ServerUrl, environment_.vendorSiteUrl}, PasswordHash);
    if (route == LinkRoute::kBrowser) HandToBrowser(address);
    if (route == LinkRoute::kNowhere) LogFailure("link not followed: it carries the login secret");
    return route != LinkRoute::kInside;
  });
  // The shop may tell the customer about an order; no other site may.
  WebBrowser_V11->Notifications().AllowFor(
      [this](const std::string& address) { return SameOrigin(address, ServerUrl); });
  if (!CheckSpellingInCzech(WebBrowser_V11->Widget()->GetNativeBackend()))
    LogFailure("forms are not spell-checked: no Czech dictionary");
  WebBrowser_V11->OnLoadFailed(
      [this](const std::string& address) { return WebBrowser_V11LoadFailed(address); });
  WebBrowser_V11->OnHomeRequested([this] { WebBrowser_V11->Navigate(StartPage()); });
  auto* column = new wxBoxSizer(wxVERTICAL);
  column->Add(WebBrowser_V11->Widget(), 1, wxEXPAND);
  SetSizer(column);
  WireCommands();
  SetClientSize(701, 586);
  const wxSize fixed = GetSize();
  SetSizeHints(fixed, fixed);
  Centre();
  FormCreate();
  extras_->UseDataFolder(DataDir);
}

TForm1::~TForm1() = default;

void TForm1::CreateMenus() {
  Progr1 = new wxMenu;
  Pipojit1 = Progr1->Append(wxID_ANY, Wx("Připojit"));
  Lok1 = Progr1->Append(wxID_ANY, Wx("Odpojit"));
  N3 = Progr1->AppendSeparator();
  Ukon1 = Progr1->Append(wxID_ANY, Wx("Nastavení"));
  N2 = Progr1->AppendSeparator();
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
}

void TForm1::WireCommands() {
  // Every way to a command starts here: the menu, the keys and the page's
  // right-click menu.
  BindCommand(Pipojit1, &TForm1::Pipojit1Click);
  BindCommand(Lok1, &TForm1::Lok1Click);
  BindCommand(Ukon1, &TForm1::Ukon1Click);
  BindCommand(isk1, &TForm1::isk1Click);
  BindCommand(P1, &TForm1::P1Click);
  BindCommand(Ukonit1, &TForm1::Ukonit1Click);
  BindCommand(Uivatelskpruka1, &TForm1::Uivatelskpruka1Click);
  const auto print = [this] { Guarded([this] { isk1Click(); }); };
  ContextMenu& menu = WebBrowser_V11->Menu();
  menu.SetTranslate([this](const std::string& text) { return locString(text); });
  menu.OnPrint(print);
  menu.ProtectAddresses(
      [this](const std::string& address) { return HoldsLoginSecret(address, PasswordHash); });
  // The keys are handled by the extras; the menu only shows them.
  extras_ = std::make_unique<BrowsingExtras>(
      BrowsingExtras::Window{this, WebBrowser_V11.get(), environment_.messages,
                             [this](const std::string& text) { return locString(text); },
                             [this] { return SavedCaption; }, print, [this] { Ukonit1Click(); }});
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
    std::vector<std::string> untidy;
    // What could not be tidied stays as it was; nothing the customer must act on.
    if (!TidyDataFolder(DataDirOf(environment_.localAppData), &untidy)) {
      for (const std::string& failure : untidy) LogFailure("data folder not tidied: " + failure);
    }
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
  // A text the table lacks is shown as it was written, in one language only:
  // a fault of the program, never of the customer, and said so.
  if (!text.empty() && !HasRow(langTable_, text)) LogFailure("no language-table row for: " + text);
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
  // Found by the menu itself: a menu added before it must not take its name.
  for (size_t i = 0; i < MainMenu1->GetMenuCount(); ++i) {
    if (MainMenu1->GetMenu(i) == Npovda1) MainMenu1->SetMenuLabel(i, Wx(locString("Help")));
  }
  SetAccessibleName(MainMenu1, locString("Hlavní nabídka"));
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
  return !DataDir.empty() && std::filesystem::is_regular_file(PathOf(local), ec)
             ? local
             : ShippedStartPagePath(environment_.exeDir);
}

TForm1::Fetched TForm1::Download(const std::string& url, const std::string& path,
                                 DownloadOptions options) {
  bool done = false;
  // The transfer keeps its own deadline; the wait's, a little later, is
  // there for a transfer that fails to.
  Wait wait{std::chrono::milliseconds(options.overallTimeoutMs + kDownloadGraceMs)};
  const WaitEnd end = wait.Run([&](const std::atomic<bool>& stop) {
    options.cancel = &stop;
    done = DownloadFile(url, path, options);
  });
  if (end == WaitEnd::kCancelled) return Fetched::kCancelled;
  return end == WaitEnd::kDone && done ? Fetched::kYes : Fetched::kNo;
}

std::string TForm1::LoginUrl() const {
  return LoginAddress(ServerUrl, Lang, UserName, PasswordHash);
}

void TForm1::RefreshStartPage() {
  DownloadOptions options = environment_.download;
  // A server error page must never become the offline page.
  options.requireSuccessStatus = true;
  if (Download(LogoutPageAddress(ServerUrl, Lang), RawStartPagePath(DataDir), options) ==
      Fetched::kYes) {
    BuildLocalIndex(RawStartPagePath(DataDir), LocalPage());
  } else {
    LogFailure("start page not refreshed: " + LogoutPageAddress(ServerUrl, Lang) + " failed");
  }
}

void TForm1::BuildLocalIndex(const std::string& source, const std::string& target) {
  DownloadOptions options = environment_.download;
  options.requireSuccessStatus = true;
  if (Download(StyleSheetAddress(environment_.vendorSiteUrl), StyleSheetPath(DataDir), options) !=
      Fetched::kYes)
    LogFailure("style sheet not refreshed: " + StyleSheetAddress(environment_.vendorSiteUrl));
  WriteFileAtomically(target, RewriteStartPage(ReadFileBytes(source), environment_.vendorSiteUrl));
}

void TForm1::LoadWebBrowser(const std::string& url, bool overlay) {
  Fetched reached = Fetched::kNo;
  {
    // The notice's script and the probe are one step: the user's input
    // waits for the whole of it, but never for a message box, and never
    // longer than its parts may take.
    Wait step{std::chrono::milliseconds(kScriptDeadlineMs + environment_.download.overallTimeoutMs +
                                        2 * kDownloadGraceMs)};
    if (overlay) {
      // The notice is decoration: a page without its anchor, or one whose
      // script never returns, must not keep the user from logging in or out.
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
  if (reached == Fetched::kYes) {
    WebBrowser_V11->Navigate(url, environment_.loginPageDeadlineMs);
    return;
  }
  // A step the customer cancelled is no fault of the connection.
  if (reached == Fetched::kNo)
    Messages().Inform(locString("Nelze navázat spojení, zkontrolujte připojení k Internetu."));
  WebBrowser_V11->Navigate(StartPage());
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

void TForm1::HandToBrowser(const std::string& address) {
  if (HoldsLoginSecret(address, PasswordHash)) {
    LogFailure("not handed to the browser: the address carries the login secret");
    return;
  }
  if (OpenLink(address)) return;
  LogFailure("no browser started for " + address);
  // Asked from inside the engine's signal; the box runs a loop of its own.
  CallAfter([this, text = locString("Webový prohlížeč se nepodařilo spustit. Nastavte v systému "
                                    "výchozí prohlížeč a odkaz otevřete znovu:") +
                          "\n" + address] { Messages().Error(text); });
}

void TForm1::Ukonit1Click() { Close(true); }

void TForm1::Uivatelskpruka1Click() {
  if (about_ != nullptr) about_->ShowModal();
}

void TForm1::WebBrowser_V11NavigateComplete(const std::string&) { SetTitle(Wx(SavedCaption)); }

std::string TForm1::WebBrowser_V11LoadFailed(const std::string& address) {
  // A login that fails must not leave the loading caption behind.
  SetTitle(Wx(SavedCaption));
  return extras_->ErrorPage(address);
}
