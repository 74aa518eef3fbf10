#include "platform/find_bar.h"

#include <webkit2/webkit2.h>
#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "platform/accessibility.h"
#include "platform/dark_style.h"
#include "platform/wx_text.h"

namespace zovaz {

namespace {

constexpr guint32 kOptions = WEBKIT_FIND_OPTIONS_CASE_INSENSITIVE | WEBKIT_FIND_OPTIONS_WRAP_AROUND;
// Enough to count every match on a shop page; the engine stops counting there.
constexpr guint kMaxMatches = 1000;
// The engine shows the current match as the page's selection, which the
// view draws in its faint unfocused colour while the field has the focus:
// next to the other matches' yellow it all but vanishes, on a dark page
// entirely. While the bar is open the selection takes a colour of its own,
// over whatever the page sets.
constexpr const char kCurrentMatchStyle[] =
    "::selection { background-color: #ff9632 !important; color: #000000 !important; }";

}  // namespace

FindBar::FindBar(wxWindow* parent, wxWindow* page, void* nativeView,
                 const std::function<std::string(const std::string&)>& translate)
    : wxPanel(parent, wxID_ANY),
      controller_(webkit_web_view_get_find_controller(WEBKIT_WEB_VIEW(nativeView))),
      // Kept, like the controller: the view may be gone before the bar.
      content_(g_object_ref(webkit_web_view_get_user_content_manager(WEBKIT_WEB_VIEW(nativeView)))),
      page_(page),
      translate_(translate) {
  auto* label = new wxStaticText(this, wxID_ANY, Wx(translate_("Najít:")));
  field_ = new wxTextCtrl(this, wxID_ANY, wxString(), wxDefaultPosition, wxSize(220, -1),
                          wxTE_PROCESS_ENTER);
  auto* previous = new wxButton(this, wxID_ANY, Wx(translate_("Předchozí")));
  auto* next = new wxButton(this, wxID_ANY, Wx(translate_("Další")));
  status_ = new wxStaticText(this, wxID_ANY, wxString());
  auto* close = new wxButton(this, wxID_ANY, Wx(translate_("Zavřít")));
  RelateLabel(label, field_);
  SetAccessibleName(field_, std::string(label->GetLabelText().utf8_str()));

  auto* row = new wxBoxSizer(wxHORIZONTAL);
  row->Add(label, 0, wxALIGN_CENTER_VERTICAL | wxLEFT | wxRIGHT, 6);
  row->Add(field_, 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 6);
  row->Add(previous, 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 4);
  row->Add(next, 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 8);
  row->Add(status_, 1, wxALIGN_CENTER_VERTICAL | wxRIGHT, 6);
  row->Add(close, 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 4);
  auto* column = new wxBoxSizer(wxVERTICAL);
  column->Add(row, 0, wxEXPAND | wxTOP | wxBOTTOM, 3);
  SetSizer(column);

  field_->Bind(wxEVT_TEXT, [this](wxCommandEvent&) { Search(); });
  field_->Bind(wxEVT_KEY_DOWN, &FindBar::HandleKey, this);
  previous->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Previous(); });
  next->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Next(); });
  close->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Close(); });
  // The window's fixed colour would show through the bar and stay light
  // when the desktop turns dark, under the theme's then light text: the bar
  // takes the theme's own colour, now and after every switch.
  const auto followTheme = [this, parent] { SetBackgroundColour(ThemeBackground(parent)); };
  followTheme();
  themeWatch_ = std::make_unique<ThemeWatch>(parent, followTheme);
  g_object_ref(controller_);
  g_signal_connect(controller_, "found-text", G_CALLBACK(&FindBar::HandleFound), this);
  g_signal_connect(controller_, "failed-to-find-text", G_CALLBACK(&FindBar::HandleFailed), this);
}

FindBar::~FindBar() {
  MarkCurrentMatch(false);
  g_signal_handlers_disconnect_by_data(controller_, this);
  g_object_unref(controller_);
  g_object_unref(content_);
}

void FindBar::MarkCurrentMatch(bool on) {
  auto* content = WEBKIT_USER_CONTENT_MANAGER(content_);
  if (on && currentMatchStyle_ == nullptr) {
    currentMatchStyle_ =
        webkit_user_style_sheet_new(kCurrentMatchStyle, WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
                                    WEBKIT_USER_STYLE_LEVEL_USER, nullptr, nullptr);
    webkit_user_content_manager_add_style_sheet(
        content, static_cast<WebKitUserStyleSheet*>(currentMatchStyle_));
  } else if (!on && currentMatchStyle_ != nullptr) {
    auto* sheet = static_cast<WebKitUserStyleSheet*>(currentMatchStyle_);
    webkit_user_content_manager_remove_style_sheet(content, sheet);
    webkit_user_style_sheet_unref(sheet);
    currentMatchStyle_ = nullptr;
  }
}

void FindBar::Open() {
  if (!IsShown()) {
    Show();
    GetParent()->Layout();
  }
  MarkCurrentMatch(true);
  field_->SetFocus();
  field_->SelectAll();
  if (!field_->IsEmpty()) Search();
}

void FindBar::Close() {
  webkit_find_controller_search_finish(WEBKIT_FIND_CONTROLLER(controller_));
  MarkCurrentMatch(false);
  status_->SetLabel(wxString());
  Hide();
  GetParent()->Layout();
  page_->SetFocus();
}

void FindBar::Search() {
  const std::string text(field_->GetValue().utf8_str());
  auto* controller = WEBKIT_FIND_CONTROLLER(controller_);
  if (text.empty()) {
    webkit_find_controller_search_finish(controller);
    status_->SetLabel(wxString());
    return;
  }
  stepping_ = false;
  webkit_find_controller_search(controller, text.c_str(), kOptions, kMaxMatches);
}

void FindBar::Next() {
  if (field_->IsEmpty()) return;
  stepping_ = true;
  webkit_find_controller_search_next(WEBKIT_FIND_CONTROLLER(controller_));
}

void FindBar::Previous() {
  if (field_->IsEmpty()) return;
  stepping_ = true;
  webkit_find_controller_search_previous(WEBKIT_FIND_CONTROLLER(controller_));
}

std::string FindBar::Status() const { return Utf8(status_->GetLabel()); }

void FindBar::HandleKey(wxKeyEvent& event) {
  const int key = event.GetKeyCode();
  if (key == WXK_ESCAPE) {
    Close();
  } else if (key == WXK_RETURN || key == WXK_NUMPAD_ENTER) {
    if (event.ShiftDown()) {
      Previous();
    } else {
      Next();
    }
  } else {
    event.Skip();
  }
}

void FindBar::HandleFound(void*, unsigned matches, void* self) {
  auto* bar = static_cast<FindBar*>(self);
  // Next and previous report the one match they moved to, not how many
  // there are: the count stays that of the search.
  if (bar->stepping_) {
    bar->stepping_ = false;
    return;
  }
  bar->status_->SetLabel(Wx(bar->translate_("Počet shod:") + " " + std::to_string(matches)));
}

void FindBar::HandleFailed(void*, void* self) {
  auto* bar = static_cast<FindBar*>(self);
  bar->stepping_ = false;
  bar->status_->SetLabel(Wx(bar->translate_("Nenalezeno")));
}

}  // namespace zovaz
