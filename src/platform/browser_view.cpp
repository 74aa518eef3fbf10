#include "platform/browser_view.h"

#include <glib.h>
#include <webkit2/webkit2.h>
#include <wx/webview.h>

#include "platform/web_data.h"

namespace zovaz {

namespace {

struct ScriptRun {
  bool done = false;
  std::string error;
};

void ScriptFinished(GObject* source, GAsyncResult* result, gpointer data) {
  auto* run = static_cast<ScriptRun*>(data);
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
  g_signal_connect(view_->GetNativeBackend(), "print", G_CALLBACK(&BrowserView::HandlePrintSignal),
                   this);
  // wxWidgets answers window.open by offering the view itself as the new
  // window, on which the engine aborts the whole program (measured here);
  // every handler of the signal so far is wxWidgets' own.
  void* native = view_->GetNativeBackend();
  const guint create = g_signal_lookup("create", G_OBJECT_TYPE(native));
  while (const gulong handler =
             g_signal_handler_find(native, G_SIGNAL_MATCH_ID, create, 0, nullptr, nullptr, nullptr))
    g_signal_handler_disconnect(native, handler);
  g_signal_connect(native, "create", G_CALLBACK(&BrowserView::HandleCreateSignal), this);
  RestrictSiteDataFolders(native);
  downloads_ = std::make_unique<WebDownloads>(native);
  contextMenu_ = std::make_unique<ContextMenu>(native);
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
  g_signal_handlers_disconnect_by_data(view_->GetNativeBackend(), this);
}

void BrowserView::Navigate(const std::string& address) {
  navigated_ = true;
  const std::string url = !address.empty() && address.front() == '/' ? FileUrl(address) : address;
  view_->LoadURL(wxString::FromUTF8(url));
}

void BrowserView::RunScript(const std::string& code) {
  if (!navigated_) return;
  auto* webView = WEBKIT_WEB_VIEW(view_->GetNativeBackend());
  ScriptRun run;
  webkit_web_view_evaluate_javascript(webView, code.c_str(), static_cast<gssize>(code.size()),
                                      nullptr, nullptr, nullptr, &ScriptFinished, &run);
  // The caller expects the script to have run when this returns, as the
  // page's own script calls are; the loop keeps the window painting.
  while (!run.done) g_main_context_iteration(nullptr, TRUE);
  if (!run.error.empty()) throw ScriptError(run.error);
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
  if (navigateComplete_) navigateComplete_(address);
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

int BrowserView::HandlePrintSignal(void*, void*, void* self) {
  auto* view = static_cast<BrowserView*>(self);
  return view->printHandler_ && view->printHandler_() ? TRUE : FALSE;
}

}  // namespace zovaz
