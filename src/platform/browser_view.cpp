#include "platform/browser_view.h"

#include <glib.h>
#include <webkit2/webkit2.h>
#include <wx/webview.h>

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
    run->error = error->message != nullptr && error->message[0] != '\0' ? error->message
                                                                         : "Script error";
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
  g_signal_connect(view_->GetNativeBackend(), "print", G_CALLBACK(&BrowserView::HandlePrintSignal),
                   this);
}

BrowserView::~BrowserView() {
  // The widget belongs to its parent window and may outlive this adapter.
  view_->Unbind(wxEVT_WEBVIEW_LOADED, &BrowserView::HandleLoaded, this);
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

int BrowserView::HandlePrintSignal(void*, void*, void* self) {
  auto* view = static_cast<BrowserView*>(self);
  return view->printHandler_ && view->printHandler_() ? TRUE : FALSE;
}

}  // namespace zovaz
