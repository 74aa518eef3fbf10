// TForm1, the main window: the state the windows share, the start-up
// sequence, and the menu commands.
#pragma once

#include <wx/frame.h>
#include <wx/timer.h>

#include <chrono>
#include <exception>
#include <functional>
#include <memory>
#include <string>

#include "browsing_extras.h"
#include "core/lang_table.h"
#include "core/time_limits.h"
#include "dialog_host.h"
#include "platform/browser_view.h"
#include "platform/download.h"
#include "platform/message_box.h"

class wxMenu;
class wxMenuItem;
class TForm2;
class TForm3;
class StartupProgress;
class wxWebViewEvent;

// The main window's outside world; the program passes the real one, tests
// pass temporary folders, a stand-in shop and a recording message sink.
struct TForm1Environment {
  std::string localAppData;  // "" when the desktop has none
  std::string exeDir;        // where the shipped content lies
  std::string vendorSiteUrl;
  std::string vendorSiteName;
  zovaz::MessageSink* messages = nullptr;  // not owned
  // Where addresses for the desktop's browser go; the program passes the
  // desktop's default browser. Unset, such addresses are dropped.
  std::function<bool(const std::string& url)> openLink;
  // Where a saved file or its folder goes to be opened; the program passes
  // the desktop's application for it. Unset, nothing opens.
  std::function<bool(const std::string& path)> openFile;
  zovaz::DownloadOptions download;
  long loginPageDeadlineMs = zovaz::kLoginPageDeadlineMs;
};

class TForm1 : public wxFrame, public DialogHost {
 public:
  // Builds the window and runs the start-up sequence. The window shows
  // itself while the sequence waits, with the last run's page; a sequence
  // that never waits leaves the showing to the caller.
  explicit TForm1(TForm1Environment environment);
  ~TForm1() override;

  // Shows the window once its view has drawn a page (at once when it has
  // been shown), and within a bounded wait however the view fares.
  void ShowWhenDrawn();

  // State shared with the dialogs.
  std::string SavedCaption;
  std::string DataDir;
  std::string ServerUrl;
  // UserName, PasswordHash and AutoLogin: see DialogHost.
  std::string Lang;

  std::string locString(const std::string& text) const override;
  void LoadWebBrowser(const std::string& url, bool overlay);
  void LoadCfg();
  void SaveCfg() override;
  void Connect() override;
  void SetConnectMenuState(bool enabled);
  // An address the desktop handed over (at start or to this running
  // client): shown when it is one of the shop's own pages (see deep_link.h),
  // once the page on its way has loaded; refused with a message otherwise.
  // Logged in or not, the customer sees the page as the shop shows it; the
  // login secret is never sent to it.
  void ShowDeepLink(const std::string& link);
  void BuildLocalIndex(const std::string& source, const std::string& target);

  // The dialogs exist only after the start-up sequence; the program hands
  // them over once created.
  void SetDialogs(TForm2* settings, TForm3* about);

  std::string LocalPage() const;
  // The start-up's progress window; null once the start-up is over.
  StartupProgress* Progress() const { return progress_.get(); }

  // Components.
  std::unique_ptr<zovaz::BrowserView> WebBrowser_V11;
  wxMenuBar* MainMenu1 = nullptr;
  wxMenu* Progr1 = nullptr;
  wxMenu* Npovda1 = nullptr;
  wxMenuItem* Pipojit1 = nullptr;
  wxMenuItem* Lok1 = nullptr;
  wxMenuItem* N3 = nullptr;
  wxMenuItem* Ukon1 = nullptr;
  wxMenuItem* N2 = nullptr;
  wxMenuItem* isk1 = nullptr;
  wxMenuItem* P1 = nullptr;
  wxMenuItem* N1 = nullptr;
  wxMenuItem* Ukonit1 = nullptr;
  wxMenuItem* Uivatelskpruka1 = nullptr;
  // Designed but never shown: it is kept out of the menu bar.
  std::unique_ptr<wxMenuItem> Uivatelskpruka2;
  // Keys, find bar, zoom, error page and download feedback.
  zovaz::BrowsingExtras& Extras() const { return *extras_; }

  // Menu commands and the browser event.
  void Pipojit1Click();
  void Lok1Click();
  void Ukon1Click();
  void isk1Click();
  void P1Click();
  void Ukonit1Click();
  void Uivatelskpruka1Click();
  void WebBrowser_V11NavigateComplete(const std::string& address);
  std::string WebBrowser_V11LoadFailed(const std::string& address);

 private:
  // What the dialogs use of the window (see DialogHost); theirs, not the
  // window's callers'.
  zovaz::MessageSink& Messages() const override { return *environment_.messages; }
  const std::string& VendorSiteUrl() const override { return environment_.vendorSiteUrl; }
  bool OpenLink(const std::string& url) override;

  // What the view shows without the shop: the local page, or the shipped
  // one while the data folder has none.
  std::string StartPage() const;
  void FormCreate();
  void ShowLastPageMeanwhile();
  void PageBegun(wxWebViewEvent& event);
  void ShowNow();
  void CreateMenus();
  void WireCommands();
  void LocalizeMenus();
  bool CheckVersionAndSetUp();
  void RefreshStartPage();
  // DownloadFile as a step that waits (see live_wait.h): the windows stay
  // painted and the user's input waits until it is done.
  enum class Fetched { kYes, kNo, kCancelled };
  Fetched Download(const std::string& url, const std::string& path, zovaz::DownloadOptions options);
  std::string LoginUrl() const;
  // Runs a menu command; what it throws is shown, and the program goes on.
  void BindCommand(wxMenuItem* item, void (TForm1::*command)());
  void Guarded(const std::function<void()>& action);
  // A page's address for the desktop's browser; the customer is told when
  // none starts.
  void HandToBrowser(const std::string& address);

  TForm1Environment environment_;
  std::vector<zovaz::LangRow> langTable_;
  TForm2* settings_ = nullptr;
  TForm3* about_ = nullptr;
  std::unique_ptr<zovaz::BrowsingExtras> extras_;
  bool configUnreadable_ = false;  // app.cfg exists but could not be read
  std::unique_ptr<StartupProgress> progress_;
  // A link waits while a page the client asked for is on its way.
  void AwaitPage();
  void ShowPendingLink();
  bool awaitingPage_ = false;
  std::chrono::steady_clock::time_point awaitingSince_;
  std::string pendingLink_;  // mapped, waiting for that page
  bool showPending_ = false;
  wxTimer showTimer_;
};
