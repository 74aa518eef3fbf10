// The find bar under the page: a word typed here is searched in the shown
// page as it is typed; next and previous, the number of matches, Esc closes.
#pragma once

#include <wx/panel.h>

#include <functional>
#include <memory>
#include <string>

class wxButton;
class wxStaticText;
class wxTextCtrl;

namespace zovaz {

class ThemeWatch;

class FindBar : public wxPanel {
 public:
  // Searches in `page`, whose engine view is `nativeView` (a
  // WebKitWebView); captions go through `translate` (given the Czech text).
  FindBar(wxWindow* parent, wxWindow* page, void* nativeView,
          const std::function<std::string(const std::string&)>& translate);
  ~FindBar() override;

  // Shows the bar with the field focused and its text selected, so typing
  // starts a new search.
  void Open();
  // Hides the bar, clears the marks in the page and gives the page the focus back.
  void Close();
  void Next();
  void Previous();

  wxTextCtrl* Field() const { return field_; }
  // What the bar says about the last search: the match count or that
  // nothing was found; "" before any.
  std::string Status() const;

 private:
  void Search();
  void MarkCurrentMatch(bool on);
  void HandleKey(wxKeyEvent& event);
  static void HandleFound(void* controller, unsigned matches, void* self);
  static void HandleFailed(void* controller, void* self);

  void* controller_;                   // WebKitFindController, owned by the view
  void* content_;                      // WebKitUserContentManager, the view's
  void* currentMatchStyle_ = nullptr;  // WebKitUserStyleSheet while the bar is open
  wxWindow* page_;
  std::function<std::string(const std::string&)> translate_;
  wxTextCtrl* field_ = nullptr;
  wxStaticText* status_ = nullptr;
  std::unique_ptr<ThemeWatch> themeWatch_;
  bool stepping_ = false;  // next or previous asked; the engine's answer is no count
};

}  // namespace zovaz
