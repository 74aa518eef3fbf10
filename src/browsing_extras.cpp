#include "browsing_extras.h"

#include <wx/filedlg.h>
#include <wx/frame.h>
#include <wx/sizer.h>
#include <wx/webview.h>

#include "core/data_folder.h"
#include "core/error_page.h"
#include "core/zoom_level.h"
#include "failure_log.h"
#include "platform/browser_view.h"
#include "platform/find_bar.h"
#include "platform/view_keys.h"
#include "platform/web_downloads.h"
#include "platform/wheel_zoom.h"
#include "platform/wx_text.h"

namespace zovaz {

BrowsingExtras::BrowsingExtras(Window window) : window_(std::move(window)) {
  wxWebView* widget = window_.view->Widget();
  wheelZoom_ = std::make_unique<WheelZoom>(widget->GetNativeBackend(), [this](int step) {
    SetZoom(step > 0 ? ZoomIn(zoom_) : ZoomOut(zoom_));
  });
  // Keys in the page go through the view's own hook; elsewhere in the
  // window (the find bar) through wxWidgets'.
  viewKeys_ = std::make_unique<ViewKeys>(
      widget->GetNativeBackend(),
      [this](int key, int modifiers) { return Shortcut(key, modifiers); });
  window_.frame->Bind(wxEVT_CHAR_HOOK, &BrowsingExtras::HandleKey, this);
  WebDownloads& downloads = window_.view->Downloads();
  downloads.SetChooser([this](const std::string& name, const std::string& folder) {
    return ChooseSaveTarget(name, folder);
  });
  downloads.OnProgress(
      [this](const DownloadProgress& progress) { ShowDownloadProgress(progress); });
  downloads.OnFinished([this](const DownloadOutcome& outcome) { DownloadEnded(outcome); });
}

BrowsingExtras::~BrowsingExtras() {
  window_.frame->Unbind(wxEVT_CHAR_HOOK, &BrowsingExtras::HandleKey, this);
}

void BrowsingExtras::UseDataFolder(const std::string& dataDir) {
  dataDir_ = dataDir;
  if (dataDir_.empty()) return;
  zoom_ = ReadZoomLevel(ZoomStatePath(dataDir_));
  window_.view->Widget()->SetZoomFactor(static_cast<float>(zoom_));
}

void BrowsingExtras::SetZoom(double level) {
  zoom_ = level;
  window_.view->Widget()->SetZoomFactor(static_cast<float>(zoom_));
  if (dataDir_.empty()) return;
  // The level stays in force for this run.
  std::string failure;
  if (!WriteZoomLevel(ZoomStatePath(dataDir_), zoom_, &failure))
    LogFailure("zoom level not kept: " + failure);
}

void BrowsingExtras::HandleKey(wxKeyEvent& event) {
  const int key = event.GetKeyCode();
  if (!Shortcut(key >= 'a' && key <= 'z' ? key - 'a' + 'A' : key, event.GetModifiers()))
    event.Skip();
}

bool BrowsingExtras::Shortcut(int key, int modifiers) {
  const bool ctrl = modifiers == wxMOD_CONTROL;
  wxWebView* view = window_.view->Widget();
  if ((key == WXK_F5 && modifiers == wxMOD_NONE) || (ctrl && key == 'R')) {
    view->Reload();
  } else if (modifiers == wxMOD_ALT && key == WXK_LEFT) {
    if (view->CanGoBack()) view->GoBack();
  } else if (modifiers == wxMOD_ALT && key == WXK_RIGHT) {
    if (view->CanGoForward()) view->GoForward();
  } else if (key == WXK_F7 && modifiers == wxMOD_NONE) {
    window_.view->SetCaretBrowsing(!window_.view->CaretBrowsing());
  } else if (ctrl && key == 'P') {
    window_.print();
  } else if (ctrl && key == 'Q') {
    window_.exit();
  } else if (ctrl && key == 'F') {
    OpenFindBar();
  } else if ((modifiers & ~wxMOD_SHIFT) == wxMOD_CONTROL &&
             (key == '+' || key == '=' || key == WXK_NUMPAD_ADD || key == WXK_ADD)) {
    SetZoom(ZoomIn(zoom_));
  } else if (ctrl && (key == '-' || key == WXK_NUMPAD_SUBTRACT || key == WXK_SUBTRACT)) {
    SetZoom(ZoomOut(zoom_));
  } else if (ctrl && (key == '0' || key == WXK_NUMPAD0)) {
    SetZoom(kNormalZoom);
  } else if (key == WXK_ESCAPE && modifiers == wxMOD_NONE && findBar_ != nullptr &&
             findBar_->IsShown()) {
    findBar_->Close();
  } else {
    return false;
  }
  return true;
}

void BrowsingExtras::OpenFindBar() {
  if (findBar_ == nullptr) {
    wxWebView* page = window_.view->Widget();
    findBar_ = new FindBar(window_.frame, page, page->GetNativeBackend(), window_.translate);
    findBar_->Hide();
    window_.frame->GetSizer()->Add(findBar_, 0, wxEXPAND);
  }
  findBar_->Open();
}

std::string BrowsingExtras::ErrorPage(const std::string& address) const {
  const auto& t = window_.translate;
  return ErrorPageHtml({t("Obchod Z-ovaz není dostupný"),
                        t("Stránku obchodu se nepodařilo načíst. Zkontrolujte připojení "
                          "k Internetu a zkuste to znovu."),
                        t("Zkusit znovu"), t("Úvodní stránka")},
                       address);
}

std::string BrowsingExtras::ChooseSaveTarget(const std::string& name, const std::string& folder) {
  wxFileDialog dialog(window_.frame, Wx(window_.translate("Uložit")), Wx(folder), Wx(name),
                      wxString(), wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
  return dialog.ShowModal() == wxID_OK ? Utf8(dialog.GetPath()) : std::string();
}

void BrowsingExtras::ShowDownloadProgress(const DownloadProgress& progress) {
  const std::string name = progress.path.substr(progress.path.rfind('/') + 1);
  const wxString title = Wx(
      window_.caption() + " - " +
      DownloadProgressText(window_.translate("Stahuji"), name, progress.received, progress.total));
  // The engine reports every piece; the caption changes with the figure.
  if (title != window_.frame->GetTitle()) window_.frame->SetTitle(title);
}

void BrowsingExtras::DownloadEnded(const DownloadOutcome& outcome) {
  window_.frame->SetTitle(Wx(window_.caption()));
  if (outcome.path.empty()) return;  // the user cancelled
  MessageSink* messages = window_.messages;
  // Shown once the engine's signal has returned: the box runs a loop of its own.
  if (outcome.saved) {
    window_.frame->CallAfter([this, path = outcome.path] { OfferSavedFile(path); });
  } else {
    window_.frame->CallAfter(
        [messages, text = window_.translate("Stahování se nezdařilo, soubor nebyl uložen:") + "\n" +
                          outcome.path] { messages->Error(text); });
  }
}

void BrowsingExtras::OfferSavedFile(const std::string& path) {
  const auto& t = window_.translate;
  enum { kOpenFile, kOpenFolder };
  const int chosen = window_.messages->Choose(t("Soubor byl uložen:") + "\n" + path,
                                              {t("Otevřít soubor"), t("Otevřít složku"), "OK"});
  if (chosen != kOpenFile && chosen != kOpenFolder) return;
  const size_t slash = path.rfind('/');
  const std::string target = chosen == kOpenFile ? path : slash == 0 ? "/" : path.substr(0, slash);
  if (window_.openFile && window_.openFile(target)) return;
  LogFailure("no application started for " + target);
  window_.messages->Error(
      t(chosen == kOpenFile
            ? "Soubor se nepodařilo otevřít. V systému není nastaven program, který jej otevře:"
            : "Složku se nepodařilo otevřít. V systému není nastaven správce souborů:") +
      "\n" + target);
}

}  // namespace zovaz
