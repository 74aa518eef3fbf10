#include "platform/find_bar.h"

#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/webview.h>

#include "platform/accessibility.h"
#include "platform/dark_style.h"
#include "platform/wx_text.h"

namespace zovaz {

namespace {

constexpr int kOptions = wxWEBVIEW_FIND_WRAP | wxWEBVIEW_FIND_HIGHLIGHT_RESULT;

wxWebView* ViewOf(void* controller) { return static_cast<wxWebView*>(controller); }

}  // namespace

// wxWebView's own search: the first Find counts the matches, each repeated
// one moves to the next.
FindBar::FindBar(wxWindow* parent, wxWindow* page, void*,
                 const std::function<std::string(const std::string&)>& translate)
    : wxPanel(parent, wxID_ANY),
      controller_(dynamic_cast<wxWebView*>(page)),
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
}

FindBar::~FindBar() = default;

void FindBar::Open() {
  if (!IsShown()) {
    Show();
    GetParent()->Layout();
  }
  field_->SetFocus();
  field_->SelectAll();
  if (!field_->IsEmpty()) Search();
}

void FindBar::Close() {
  if (controller_ != nullptr) ViewOf(controller_)->Find(wxString());
  status_->SetLabel(wxString());
  Hide();
  GetParent()->Layout();
  page_->SetFocus();
}

void FindBar::Search() {
  if (controller_ == nullptr) return;
  if (field_->IsEmpty()) {
    ViewOf(controller_)->Find(wxString());
    status_->SetLabel(wxString());
    return;
  }
  const long matches = ViewOf(controller_)->Find(field_->GetValue(), kOptions);
  if (matches == wxNOT_FOUND || matches <= 0) {
    HandleFailed(controller_, this);
  } else {
    HandleFound(controller_, static_cast<unsigned>(matches), this);
  }
}

void FindBar::Next() {
  if (field_->IsEmpty() || controller_ == nullptr) return;
  ViewOf(controller_)->Find(field_->GetValue(), kOptions);
}

void FindBar::Previous() {
  if (field_->IsEmpty() || controller_ == nullptr) return;
  ViewOf(controller_)->Find(field_->GetValue(), kOptions | wxWEBVIEW_FIND_BACKWARDS);
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
  bar->status_->SetLabel(Wx(bar->translate_("Počet shod:") + " " + std::to_string(matches)));
}

void FindBar::HandleFailed(void*, void* self) {
  auto* bar = static_cast<FindBar*>(self);
  bar->status_->SetLabel(Wx(bar->translate_("Nenalezeno")));
}

}  // namespace zovaz
