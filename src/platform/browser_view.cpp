#include "platform/browser_view.h"

#include <glib.h>
#include <gtk/gtk.h>
#include <webkit2/webkit2.h>
#include <wx/log.h>
#include <wx/timer.h>
#include <wx/webview.h>

#include <chrono>
#include <memory>

#include "core/error_page.h"
#include "core/time_limits.h"
#include "platform/live_wait.h"
#include "platform/web_data.h"

namespace zovaz {

namespace {

struct ScriptRun {
  bool done = false;
  std::string error;
};

// The engine answers once, also for a run the client stopped waiting for: the
// answer keeps its own share of the run.
void ScriptFinished(GObject* source, GAsyncResult* result, gpointer data) {
  const std::unique_ptr<std::shared_ptr<ScriptRun>> owner(
      static_cast<std::shared_ptr<ScriptRun>*>(data));
  ScriptRun* run = owner->get();
  GError* error = nullptr;
  JSCValue* value =
      webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source), result, &error);
  if (value != nullptr) g_object_unref(value);
  if (error != nullptr) {
    run->error =
        error->message != nullptr && error->message[0] != '\0' ? error->message : "Script error";
    g_error_free(error);
  }
  run->done = true;
}

// A window held from drawing until the view has painted: released by
// whichever comes first, the page's frame or the time limit.
struct PaintHold {
  GdkWindow* window = nullptr;  // a reference of its own
  guint timer = 0;
  void Release() {
    if (window == nullptr) return;
    gdk_window_thaw_updates(window);
    g_object_unref(window);
    window = nullptr;
    if (timer != 0) g_source_remove(timer);
    timer = 0;
  }
};

void PagePainted(GObject* source, GAsyncResult* result, gpointer data) {
  const std::unique_ptr<std::shared_ptr<PaintHold>> hold(
      static_cast<std::shared_ptr<PaintHold>*>(data));
  GError* error = nullptr;
  JSCValue* value = webkit_web_view_call_async_javascript_function_finish(WEBKIT_WEB_VIEW(source),
                                                                          result, &error);
  if (value != nullptr) g_object_unref(value);
  // A page replaced meanwhile never answers; the window draws all the same.
  if (error != nullptr) g_error_free(error);
  (*hold)->Release();
}

gboolean PaintLimitReached(gpointer data) {
  PaintHold& hold = **static_cast<std::shared_ptr<PaintHold>*>(data);
  hold.timer = 0;
  hold.Release();
  return G_SOURCE_REMOVE;
}

void ForgetPaintHold(gpointer data) { delete static_cast<std::shared_ptr<PaintHold>*>(data); }

}  // namespace

std::string FileUrl(const std::string& path) {
  gchar* uri = g_filename_to_uri(path.c_str(), nullptr, nullptr);
  if (uri == nullptr) return "file://" + path;
  std::string url = uri;
  g_free(uri);
  return url;
}

BrowserView::BrowserView(wxWindow* parent) {
  view_ = wxWebView::New(parent, wxID_ANY, wxString(), wxDefaultPosition, wxDefaultSize,
                         wxWebViewBackendDefault);
  view_->Bind(wxEVT_WEBVIEW_LOADED, &BrowserView::HandleLoaded, this);
  view_->Bind(wxEVT_WEBVIEW_NEWWINDOW, &BrowserView::HandleNewWindow, this);
  view_->Bind(wxEVT_WEBVIEW_NAVIGATING, &BrowserView::HandleNavigating, this);
  view_->Bind(wxEVT_WEBVIEW_NAVIGATED, &BrowserView::HandleCommitted, this);
  deadline_ = std::make_unique<wxTimer>();
  deadline_->Bind(wxEVT_TIMER, &BrowserView::HandleDeadline, this);
  // Connected after wxWidgets' own handlers, which let the emission go on:
  // returning TRUE here keeps the engine's English page away.
  g_signal_connect(view_->GetNativeBackend(), "load-failed",
                   G_CALLBACK(&BrowserView::HandleLoadFailed), this);
  g_signal_connect(view_->GetNativeBackend(), "load-failed-with-tls-errors",
                   G_CALLBACK(&BrowserView::HandleTlsError), this);
  g_signal_connect(view_->GetNativeBackend(), "print", G_CALLBACK(&BrowserView::HandlePrintSignal),
                   this);
  // After wxWidgets' own handler: what it vetoes (the error page's actions,
  // local files nobody asked for) never gets here.
  g_signal_connect(view_->GetNativeBackend(), "decide-policy",
                   G_CALLBACK(&BrowserView::HandleDecidePolicy), this);
  // wxWidgets answers window.open by offering the view itself as the new
  // window, on which the engine aborts the whole program (measured here);
  // every handler of the signal so far is wxWidgets' own.
  void* native = view_->GetNativeBackend();
  const guint create = g_signal_lookup("create", G_OBJECT_TYPE(native));
  while (const gulong handler =
             g_signal_handler_find(native, G_SIGNAL_MATCH_ID, create, 0, nullptr, nullptr, nullptr))
    g_signal_handler_disconnect(native, handler);
  g_signal_connect(native, "create", G_CALLBACK(&BrowserView::HandleCreateSignal), this);
  downloads_ = std::make_unique<WebDownloads>(native);
  contextMenu_ = std::make_unique<ContextMenu>(native);
  notifications_ = std::make_unique<WebNotifications>(native);
  repainter_ = std::make_unique<RepaintAfterWindows>(native);
  // As browsers print by default: a dark page background would cover the
  // whole sheet.
  webkit_settings_set_print_backgrounds(webkit_web_view_get_settings(WEBKIT_WEB_VIEW(native)),
                                        FALSE);
}

BrowserView::~BrowserView() {
  // The widget belongs to its parent window and may outlive this adapter.
  view_->Unbind(wxEVT_WEBVIEW_LOADED, &BrowserView::HandleLoaded, this);
  view_->Unbind(wxEVT_WEBVIEW_NEWWINDOW, &BrowserView::HandleNewWindow, this);
  view_->Unbind(wxEVT_WEBVIEW_NAVIGATING, &BrowserView::HandleNavigating, this);
  view_->Unbind(wxEVT_WEBVIEW_NAVIGATED, &BrowserView::HandleCommitted, this);
  deadline_->Stop();
  g_signal_handlers_disconnect_by_data(view_->GetNativeBackend(), this);
}

void BrowserView::Navigate(const std::string& address, long deadlineMs) {
  navigated_ = true;
  showsErrorPage_ = false;
  answered_ = false;
  webLoadDecided_ = false;
  const bool local = !address.empty() && address.front() == '/';
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

void BrowserView::HoldDrawingUntilPainted(wxWindow* window, long limitMs) {
  GtkWidget* widget = window->GetHandle();
  GdkWindow* drawn = widget != nullptr ? gtk_widget_get_window(widget) : nullptr;
  if (drawn == nullptr) return;
  auto hold = std::make_shared<PaintHold>();
  hold->window = GDK_WINDOW(g_object_ref(drawn));
  gdk_window_freeze_updates(drawn);
  // The engine draws a shown page only once its view is on screen, and a
  // page just begun once it has been read; the second animation frame comes
  // after the first drawing was handed over.
  static constexpr char kTwoFrames[] =
      "if (document.readyState === 'loading')"
      "  await new Promise(r => document.addEventListener('DOMContentLoaded', r, {once: true}));"
      "await new Promise(r => requestAnimationFrame(() => requestAnimationFrame(r)));";
  webkit_web_view_call_async_javascript_function(
      WEBKIT_WEB_VIEW(view_->GetNativeBackend()), kTwoFrames, -1, nullptr, nullptr, nullptr,
      nullptr, &PagePainted, new std::shared_ptr<PaintHold>(hold));
  hold->timer =
      g_timeout_add_full(G_PRIORITY_DEFAULT, static_cast<guint>(limitMs), &PaintLimitReached,
                         new std::shared_ptr<PaintHold>(hold), &ForgetPaintHold);
}

void BrowserView::RunScript(const std::string& code) {
  if (!navigated_) return;
  auto* webView = WEBKIT_WEB_VIEW(view_->GetNativeBackend());
  auto run = std::make_shared<ScriptRun>();
  GCancellable* cancellable = g_cancellable_new();
  webkit_web_view_evaluate_javascript(webView, code.c_str(), static_cast<gssize>(code.size()),
                                      nullptr, nullptr, cancellable, &ScriptFinished,
                                      new std::shared_ptr<ScriptRun>(run));
  // The caller expects the script to have run when this returns, as the
  // page's own script calls are; meanwhile the window paints and the user's
  // input waits, as for any step that waits.
  WaitEnd end = WaitEnd::kDone;
  {
    Wait wait{std::chrono::milliseconds(kScriptDeadlineMs)};
    end = wait.Until([&run] { return run->done; });
  }
  if (end != WaitEnd::kDone) {
    g_cancellable_cancel(cancellable);
    // The page has taken its process over (a script of its own that never
    // returns, say), and would keep it: the next navigation gets a new one.
    webkit_web_view_terminate_web_process(webView);
  }
  g_object_unref(cancellable);
  if (end == WaitEnd::kTimedOut)
    throw ScriptError("the script did not finish within " +
                      std::to_string(kScriptDeadlineMs / 1000) + " s");
  if (end == WaitEnd::kCancelled) throw ScriptError("the script was cancelled");
  if (!run->error.empty()) throw ScriptError(run->error);
}

std::string BrowserView::CurrentAddress() const {
  return navigated_ ? std::string(view_->GetCurrentURL().utf8_str()) : std::string();
}

void BrowserView::HandleLoaded(wxWebViewEvent& event) {
  event.Skip();
  // The engine's own empty page before the first navigation is nobody's
  // navigation.
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
    // Taken only from the error page, the one document shown as
    // about:blank (also when reached again through the history). A new
    // navigation from inside the engine's decision waits until it returns.
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
  if (address.rfind("http://", 0) == 0 || address.rfind("https://", 0) == 0) {
    lastWebAddress_ = address;
    webLoadDecided_ = true;
  } else if (address.rfind("file:", 0) == 0 && localPages_.count(address) == 0) {
    // Only the pages the client opens itself may be local: a server that
    // redirects to a local file gets the error page, not the file.
    event.Veto();
    view_->CallAfter([this] { ShowErrorPageFor(lastWebAddress_); });
  }
}

void BrowserView::HandleCommitted(wxWebViewEvent& event) {
  event.Skip();
  if (std::string(event.GetURL().utf8_str()) != "about:blank") {
    answered_ = true;
    webLoadDecided_ = false;
    return;
  }
  // The engine's own empty page is no answer: its first one may commit only
  // after our first navigation has begun, and the error page is one too.
  // Once the engine has let a web address through, though, an empty page in
  // its place is the engine refusing it (a port it will not use).
  if (webLoadDecided_ && !showsErrorPage_) {
    webLoadDecided_ = false;
    view_->CallAfter([this] { ShowErrorPageFor(lastWebAddress_); });
  }
}

void BrowserView::HandleDeadline(wxTimerEvent&) {
  webkit_web_view_stop_loading(WEBKIT_WEB_VIEW(view_->GetNativeBackend()));
  // A page that has begun to show stays, with what has arrived of it; one
  // the server never answered gets the error page.
  if (!answered_) ShowErrorPageFor(lastWebAddress_);
}

void BrowserView::ShowErrorPageFor(const std::string& address) {
  deadline_->Stop();
  auto* webView = WEBKIT_WEB_VIEW(view_->GetNativeBackend());
  if (!errorPage_) {
    webkit_web_view_stop_loading(webView);
    return;
  }
  failedAddress_ = address;
  showsErrorPage_ = true;
  webLoadDecided_ = false;
  const std::string html = errorPage_(address);
  webkit_web_view_load_html(webView, html.c_str(), nullptr);
}

int BrowserView::HandleLoadFailed(void*, int, const char* uri, void* error, void* self) {
  auto* view = static_cast<BrowserView*>(self);
  const auto* failure = static_cast<const GError*>(error);
  const std::string address = uri != nullptr ? uri : "";
  // The engine refuses a server's redirect to a local file by cancelling
  // the load; that is the server's failure, not the user's cancel.
  if (g_error_matches(failure, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED) &&
      address.rfind("file:", 0) == 0 && view->localPages_.count(address) == 0 && view->errorPage_) {
    view->ShowErrorPageFor(view->lastWebAddress_);
    return TRUE;
  }
  // Not failures: a navigation given up for another one (or by the
  // deadline, which has shown the page already), and a page that turned
  // into a download.
  if (g_error_matches(failure, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED) ||
      g_error_matches(failure, WEBKIT_POLICY_ERROR,
                      WEBKIT_POLICY_ERROR_FRAME_LOAD_INTERRUPTED_BY_POLICY_CHANGE) ||
      g_error_matches(failure, WEBKIT_PLUGIN_ERROR, WEBKIT_PLUGIN_ERROR_WILL_HANDLE_LOAD))
    return FALSE;
  // The error page itself failing must not start a loop.
  if (!view->errorPage_ || address.empty() || address == "about:blank") return FALSE;
  view->ShowErrorPageFor(address);
  return TRUE;
}

int BrowserView::HandleTlsError(void*, const char* uri, void*, int, void* self) {
  // No exception is ever made for a certificate: the page does not load.
  auto* view = static_cast<BrowserView*>(self);
  if (!view->errorPage_) return FALSE;
  view->ShowErrorPageFor(uri != nullptr ? uri : view->lastWebAddress_);
  return TRUE;
}

void BrowserView::HandleNewWindow(wxWebViewEvent& event) {
  HandOn(std::string(event.GetURL().utf8_str()));
}

void BrowserView::HandOn(const std::string& address) {
  // Only web addresses go on to the desktop's browser: a page must not be
  // able to start other programs, or hand out local files, through it.
  const bool web = address.rfind("http://", 0) == 0 || address.rfind("https://", 0) == 0;
  if (web && newWindow_) newWindow_(address);
}

void* BrowserView::HandleCreateSignal(void*, void* navigationAction, void* self) {
  // No window is opened here: the address goes on, and the page's
  // window.open gets null, as when a browser blocks a pop-up.
  WebKitURIRequest* request =
      webkit_navigation_action_get_request(static_cast<WebKitNavigationAction*>(navigationAction));
  const gchar* uri = request != nullptr ? webkit_uri_request_get_uri(request) : nullptr;
  if (uri != nullptr) static_cast<BrowserView*>(self)->HandOn(uri);
  return nullptr;
}

bool BrowserView::KeepCookiesIn(const std::string& folder) {
  return zovaz::KeepCookiesIn(view_->GetNativeBackend(), folder);
}

bool BrowserView::KeepSiteDataPrivate(std::string* failure) {
  // No new record can be written meanwhile, so nothing waits for the
  // emptying, which can take a second while the engine starts.
  KeepNoPagesCached(view_->GetNativeBackend(), [](bool emptied) {
    if (!emptied) wxLogVerbose("the web engine's cache of earlier runs was not emptied");
  });
  return RestrictSiteDataFolders(view_->GetNativeBackend(), failure);
}

int BrowserView::HandlePrintSignal(void* webView, void* printOperation, void* self) {
  auto* view = static_cast<BrowserView*>(self);
  if (view->printHandler_ && view->printHandler_()) return TRUE;
  // The engine's own dialog, run here rather than after this handler, so
  // that it can be answered while the script that asked for it waits.
  HoldPause pause;
  GtkWidget* toplevel = gtk_widget_get_toplevel(GTK_WIDGET(webView));
  webkit_print_operation_run_dialog(
      static_cast<WebKitPrintOperation*>(printOperation),
      gtk_widget_is_toplevel(toplevel) ? GTK_WINDOW(toplevel) : nullptr);
  return TRUE;
}

int BrowserView::HandleDecidePolicy(void*, void* decision, int type, void* self) {
  auto* view = static_cast<BrowserView*>(self);
  if (type != WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION || !view->linkClicked_) return FALSE;
  WebKitNavigationAction* action = webkit_navigation_policy_decision_get_navigation_action(
      WEBKIT_NAVIGATION_POLICY_DECISION(decision));
  // A form sent to another site (a payment gateway) carries data the
  // desktop's browser would not get: only links count.
  if (webkit_navigation_action_get_navigation_type(action) != WEBKIT_NAVIGATION_TYPE_LINK_CLICKED ||
      webkit_navigation_action_is_redirect(action))
    return FALSE;
  WebKitURIRequest* request = webkit_navigation_action_get_request(action);
  const gchar* uri = request != nullptr ? webkit_uri_request_get_uri(request) : nullptr;
  if (uri == nullptr || !view->linkClicked_(uri)) return FALSE;
  webkit_policy_decision_ignore(WEBKIT_POLICY_DECISION(decision));
  return TRUE;
}

void BrowserView::SetCaretBrowsing(bool on) {
  webkit_settings_set_enable_caret_browsing(
      webkit_web_view_get_settings(WEBKIT_WEB_VIEW(view_->GetNativeBackend())), on);
}

bool BrowserView::CaretBrowsing() const {
  return webkit_settings_get_enable_caret_browsing(
      webkit_web_view_get_settings(WEBKIT_WEB_VIEW(view_->GetNativeBackend())));
}

}  // namespace zovaz
