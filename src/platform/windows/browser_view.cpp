// The browser view on Windows: wxWidgets' Internet Explorer view, set to the
// newest engine the system has.
#include "platform/browser_view.h"

#include <windows.h>
#include <wx/filename.h>
#include <wx/filesys.h>
#include <wx/log.h>
#include <wx/msw/webview_ie.h>
#include <wx/timer.h>
#include <wx/webview.h>

#include "core/error_page.h"
#include "platform/web_data.h"
#include "platform/windows/unsupported.h"

namespace zovaz {

namespace {

constexpr const wchar_t* kEmulationKey =
    L"Software\\Microsoft\\Internet Explorer\\Main\\FeatureControl\\FEATURE_BROWSER_EMULATION";

bool IsWeb(const std::string& address) {
  return address.rfind("http://", 0) == 0 || address.rfind("https://", 0) == 0;
}

// A drive path ("C:\...") or a share ("\\server\..."): what the client
// navigates to when it shows one of its own pages.
bool IsLocalPath(const std::string& address) {
  return (address.size() > 2 && address[1] == ':' && (address[2] == '\\' || address[2] == '/')) ||
         address.rfind("\\\\", 0) == 0;
}

}  // namespace

std::string FileUrl(const std::string& path) {
  return std::string(wxFileSystem::FileNameToURL(wxFileName(wxString::FromUTF8(path))).utf8_str());
}

BrowserView::BrowserView(wxWindow* parent) {
  // Without it the view renders as Internet Explorer 7 did, which the
  // shop's pages do not support.
  // wxWidgets sets the level only under a key that Internet Explorer
  // creates when it is first run; a system where it never ran lacks it.
  HKEY features = nullptr;
  if (::RegCreateKeyExW(HKEY_CURRENT_USER, kEmulationKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        &features, nullptr) == ERROR_SUCCESS)
    ::RegCloseKey(features);
  bool emulated = false;
  {
    wxLogNull quiet;
    emulated = wxWebViewIE::MSWSetEmulationLevel(wxWEBVIEWIE_EMU_IE11);
  }
  if (!emulated) wxLogVerbose("the web view keeps its default engine level");
  view_ = wxWebView::New(parent, wxID_ANY, wxString(), wxDefaultPosition, wxDefaultSize,
                         wxWebViewBackendIE);
  // Without its view the window would have nothing to show: said once, at
  // start, rather than failing on first use.
  if (view_ == nullptr) throw std::runtime_error("the web view cannot be created");
  view_->Bind(wxEVT_WEBVIEW_LOADED, &BrowserView::HandleLoaded, this);
  view_->Bind(wxEVT_WEBVIEW_NEWWINDOW, &BrowserView::HandleNewWindow, this);
  view_->Bind(wxEVT_WEBVIEW_NAVIGATING, &BrowserView::HandleNavigating, this);
  view_->Bind(wxEVT_WEBVIEW_NAVIGATED, &BrowserView::HandleCommitted, this);
  view_->Bind(wxEVT_WEBVIEW_ERROR, &BrowserView::HandleError, this);
  deadline_ = std::make_unique<wxTimer>();
  deadline_->Bind(wxEVT_TIMER, &BrowserView::HandleDeadline, this);
  // The extras are handed the wxWebView itself: its API is all they can use.
  downloads_ = std::make_unique<WebDownloads>(view_);
  contextMenu_ = std::make_unique<ContextMenu>(view_);
  notifications_ = std::make_unique<WebNotifications>(view_);
  repainter_ = std::make_unique<RepaintAfterWindows>(view_);
}

BrowserView::~BrowserView() {
  view_->Unbind(wxEVT_WEBVIEW_LOADED, &BrowserView::HandleLoaded, this);
  view_->Unbind(wxEVT_WEBVIEW_NEWWINDOW, &BrowserView::HandleNewWindow, this);
  view_->Unbind(wxEVT_WEBVIEW_NAVIGATING, &BrowserView::HandleNavigating, this);
  view_->Unbind(wxEVT_WEBVIEW_NAVIGATED, &BrowserView::HandleCommitted, this);
  view_->Unbind(wxEVT_WEBVIEW_ERROR, &BrowserView::HandleError, this);
  deadline_->Stop();
}

void BrowserView::Navigate(const std::string& address, long deadlineMs) {
  navigated_ = true;
  showsErrorPage_ = false;
  answered_ = false;
  webLoadDecided_ = false;
  const bool local = IsLocalPath(address);
  const std::string url = local ? FileUrl(address) : address;
  if (local) {
    localPages_.insert(url);
  } else {
    lastWebAddress_ = url;
  }
  deadlineMs_ = deadlineMs;
  deadline_->Stop();
  if (deadlineMs > 0) deadline_->StartOnce(static_cast<int>(deadlineMs));
  view_->LoadURL(wxString::FromUTF8(url));
}

void BrowserView::RunScript(const std::string& code) {
  if (!navigated_) return;
  // The engine runs the script before it returns. Its failure goes to the
  // log as an error box otherwise; the caller is told instead.
  wxString output;
  bool ran = false;
  {
    wxLogNull quiet;
    ran = view_->RunScript(wxString::FromUTF8(code), &output);
  }
  if (!ran)
    throw ScriptError(output.empty() ? std::string("Script error")
                                     : std::string(output.utf8_str()));
}

std::string BrowserView::CurrentAddress() const {
  return navigated_ ? std::string(view_->GetCurrentURL().utf8_str()) : std::string();
}

void BrowserView::HandleLoaded(wxWebViewEvent& event) {
  event.Skip();
  const std::string address(event.GetURL().utf8_str());
  if (!navigated_ || address == "about:blank") return;
  deadline_->Stop();
  if (navigateComplete_) navigateComplete_(address);
}

void BrowserView::HandleNavigating(wxWebViewEvent& event) {
  event.Skip();
  const std::string address(event.GetURL().utf8_str());
  if (address == kRetryAction || address == kHomeAction) {
    event.Veto();
    if (CurrentAddress() != "about:blank") return;
    const bool retry = address == kRetryAction;
    view_->CallAfter([this, retry] {
      if (retry) {
        Navigate(failedAddress_, deadlineMs_);
      } else if (home_) {
        home_();
      }
    });
    return;
  }
  if (IsWeb(address)) {
    lastWebAddress_ = address;
    webLoadDecided_ = true;
  } else if (address.rfind("file:", 0) == 0 && localPages_.count(address) == 0) {
    // Only the pages the client opens itself may be local: a server that
    // redirects to a local file gets the error page, not the file.
    event.Veto();
    view_->CallAfter([this] { ShowErrorPageFor(lastWebAddress_); });
  }
  // This engine does not tell a clicked link from a redirect, so every
  // link is followed in the view.
  if (linkClicked_) LogUnsupportedOnce("links routed to the desktop's browser");
}

void BrowserView::HandleCommitted(wxWebViewEvent& event) {
  event.Skip();
  if (std::string(event.GetURL().utf8_str()) != "about:blank") {
    answered_ = true;
    webLoadDecided_ = false;
  }
}

void BrowserView::HandleError(wxWebViewEvent& event) {
  event.Skip();
  // A navigation given up for another one is no failure.
  if (event.GetInt() == wxWEBVIEW_NAV_ERR_USER_CANCELLED) return;
  const std::string address(event.GetURL().utf8_str());
  if (!errorPage_ || address.empty() || address == "about:blank") return;
  view_->CallAfter([this, address] { ShowErrorPageFor(address); });
}

void BrowserView::HandleDeadline(wxTimerEvent&) {
  view_->Stop();
  // A page that has begun to show stays, with what has arrived of it; one
  // the server never answered gets the error page.
  if (!answered_) ShowErrorPageFor(lastWebAddress_);
}

void BrowserView::ShowErrorPageFor(const std::string& address) {
  deadline_->Stop();
  if (!errorPage_) {
    view_->Stop();
    return;
  }
  failedAddress_ = address;
  showsErrorPage_ = true;
  webLoadDecided_ = false;
  view_->SetPage(wxString::FromUTF8(errorPage_(address)), wxString());
}

void BrowserView::HandleNewWindow(wxWebViewEvent& event) {
  HandOn(std::string(event.GetURL().utf8_str()));
}

void BrowserView::HandOn(const std::string& address) {
  // Only web addresses go on to the desktop's browser: a page must not be
  // able to start other programs, or hand out local files, through it.
  if (IsWeb(address) && newWindow_) newWindow_(address);
}

bool BrowserView::KeepCookiesIn(const std::string& folder) {
  return zovaz::KeepCookiesIn(view_, folder);
}

bool BrowserView::KeepSiteDataPrivate(std::string* failure) {
  return RestrictSiteDataFolders(view_, failure);
}

// The view draws its pages itself from the first frame on; nothing to hold.
void BrowserView::HoldDrawingUntilPainted(wxWindow*, long) {}

namespace {
// The program's one view; the IE control has no caret browsing of its own
// through wxWebView, so only the wish is kept.
bool caretBrowsing = false;
}  // namespace

void BrowserView::SetCaretBrowsing(bool on) {
  LogUnsupportedOnce("caret browsing");
  caretBrowsing = on;
}

bool BrowserView::CaretBrowsing() const { return caretBrowsing; }

}  // namespace zovaz
