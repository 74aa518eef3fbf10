// The embedded web view as the client uses it: go to an address, run a
// script in the shown page, hear when a navigation has completed; pages that
// ask for a new window or send a download are handed on.
#pragma once

#include <functional>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>

#include "platform/context_menu.h"
#include "platform/repaint_after_windows.h"
#include "platform/web_downloads.h"
#include "platform/web_notifications.h"

class wxTimer;
class wxTimerEvent;
class wxWebView;
class wxWindow;
class wxWebViewEvent;

namespace zovaz {

// A script failed in the page; what() is the engine's message.
class ScriptError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class BrowserView {
 public:
  explicit BrowserView(wxWindow* parent);
  ~BrowserView();
  BrowserView(const BrowserView&) = delete;
  BrowserView& operator=(const BrowserView&) = delete;

  wxWebView* Widget() const { return view_; }

  // An http(s) address, or a local file path (absolute, starting with "/").
  // Returns at once; the page loads while the event loop runs. With a
  // deadline, a page whose server has not answered within `deadlineMs`
  // counts as a failed navigation, and one still loading is stopped.
  void Navigate(const std::string& address, long deadlineMs = 0);

  // Runs `code` in the shown page and returns when it has run. Does nothing
  // when no document has been shown yet. Throws ScriptError with the
  // engine's message when the script fails, and when it has not finished by
  // its deadline or the wait is cancelled; the page's process is ended then.
  void RunScript(const std::string& code);

  bool HasDocument() const { return navigated_; }

  // The address of the page shown ("" before the first navigation).
  std::string CurrentAddress() const;

  // Called after every completed navigation, local files included.
  void OnNavigateComplete(std::function<void(const std::string& address)> handler) {
    navigateComplete_ = std::move(handler);
  }

  // When set, the page's print requests go here instead of to the engine's
  // own print dialog; return true to mark the request handled.
  void InterceptPrint(std::function<bool()> handler) { printHandler_ = std::move(handler); }

  // The http(s) address a page wants shown in a new window (a link with a
  // target of its own, window.open); the view itself never opens one, and
  // without a handler such requests are dropped.
  void OnNewWindow(std::function<void(const std::string& address)> handler) {
    newWindow_ = std::move(handler);
  }

  // A link the customer clicked, before the view follows it (redirects and
  // the page's own scripts are not clicks); returning true keeps the view
  // where it was.
  void OnLinkClicked(std::function<bool(const std::string& address)> handler) {
    linkClicked_ = std::move(handler);
  }

  // A navigation failed: refused, name unknown, timed out, a TLS error (the
  // page is never shown then), or a redirect to a local file. The handler
  // gets the address that failed and returns the page to show instead;
  // without one the engine shows its own. The page's links to kRetryAction
  // and kHomeAction load that address again and call the home handler.
  void OnLoadFailed(std::function<std::string(const std::string& address)> errorPage) {
    errorPage_ = std::move(errorPage);
  }
  void OnHomeRequested(std::function<void()> handler) { home_ = std::move(handler); }
  bool ShowsErrorPage() const { return showsErrorPage_ && CurrentAddress() == "about:blank"; }

  // Keeps cookies between runs in `folder` (see KeepCookiesIn in web_data.h).
  bool KeepCookiesIn(const std::string& folder);
  // Makes the engine's own data folders private (see RestrictSiteDataFolders
  // in web_data.h); before the first page loads.
  bool KeepSiteDataPrivate(std::string* failure = nullptr);

  // Where downloads are asked for and reported.
  WebDownloads& Downloads() { return *downloads_; }

  // The right-click menu.
  ContextMenu& Menu() { return *contextMenu_; }
  // Which pages may show desktop notifications.
  WebNotifications& Notifications() { return *notifications_; }
  const RepaintAfterWindows& Repainter() const { return *repainter_; }

 private:
  void HandleLoaded(wxWebViewEvent& event);
  void HandleNavigating(wxWebViewEvent& event);
  void HandleCommitted(wxWebViewEvent& event);
  void HandleDeadline(wxTimerEvent& event);
  void HandleError(wxWebViewEvent& event);  // where the engine reports failures as events
  void ShowErrorPageFor(const std::string& address);
  static int HandleLoadFailed(void* webView, int loadEvent, const char* uri, void* error,
                              void* self);
  static int HandleTlsError(void* webView, const char* uri, void* certificate, int errors,
                            void* self);
  void HandleNewWindow(wxWebViewEvent& event);
  void HandOn(const std::string& address);
  static void* HandleCreateSignal(void* webView, void* navigationAction, void* self);
  static int HandlePrintSignal(void* webView, void* printOperation, void* self);
  static int HandleDecidePolicy(void* webView, void* decision, int type, void* self);

  wxWebView* view_ = nullptr;
  bool navigated_ = false;
  std::function<void(const std::string&)> navigateComplete_;
  std::function<bool()> printHandler_;
  std::function<void(const std::string&)> newWindow_;
  std::function<bool(const std::string&)> linkClicked_;
  std::unique_ptr<WebDownloads> downloads_;
  std::unique_ptr<ContextMenu> contextMenu_;
  std::unique_ptr<WebNotifications> notifications_;
  std::unique_ptr<RepaintAfterWindows> repainter_;
  std::function<std::string(const std::string&)> errorPage_;
  std::function<void()> home_;
  bool showsErrorPage_ = false;
  bool answered_ = false;  // the server has answered the last navigation
  // The engine has let the last web address through and not yet shown it.
  bool webLoadDecided_ = false;
  std::string failedAddress_;
  std::string lastWebAddress_;        // the last http(s) address asked for
  std::set<std::string> localPages_;  // file:// addresses navigated to on purpose
  long deadlineMs_ = 0;               // of the last navigation, reused by a retry
  std::unique_ptr<wxTimer> deadline_;
};

// "file://" URL of an absolute local path.
std::string FileUrl(const std::string& path);

}  // namespace zovaz
