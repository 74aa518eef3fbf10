#include "progress_window.h"

#include <wx/button.h>
#include <wx/frame.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include "platform/app_icon.h"
#include "platform/live_wait.h"
#include "platform/message_box.h"
#include "platform/wx_text.h"

StartupProgress::StartupProgress(const std::string& text, const std::string& cancelLabel,
                                 wxIconBundle icons, std::chrono::milliseconds delay)
    : text_(text),
      cancelLabel_(cancelLabel),
      icons_(std::move(icons)),
      showAt_(std::chrono::steady_clock::now() + delay) {
  zovaz::WatchWaits([this] { return Tick(); });
}

StartupProgress::~StartupProgress() {
  zovaz::WatchWaits({});
  if (window_ != nullptr) window_->Destroy();
}

wxTopLevelWindow* StartupProgress::Tick() {
  if (cancelled_) zovaz::CancelWaits();
  if (window_ == nullptr && std::chrono::steady_clock::now() >= showAt_) Build();
  return window_;
}

void StartupProgress::Build() {
  window_ = new wxFrame(nullptr, wxID_ANY, Wx(zovaz::kApplicationTitle), wxDefaultPosition,
                        wxDefaultSize, wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX);
  window_->SetIcons(icons_);
  auto* panel = new wxPanel(window_);
  auto* column = new wxBoxSizer(wxVERTICAL);
  label_ = new wxStaticText(panel, wxID_ANY, Wx(text_));
  column->Add(label_, 0, wxALL, 16);
  button_ = new wxButton(panel, wxID_CANCEL, Wx(cancelLabel_));
  column->Add(button_, 0, wxALIGN_CENTRE | wxLEFT | wxRIGHT | wxBOTTOM, 16);
  panel->SetSizer(column);
  column->SetSizeHints(window_);
  button_->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Cancel(); });
  // Closing it is cancelling; the window itself goes with the start-up.
  window_->Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent& event) {
    Cancel();
    if (event.CanVeto()) event.Veto();
  });
  window_->Centre();
  window_->Show();
  button_->SetFocus();
  // The desktop shows a busy cursor until the program's first window.
  zovaz::CompleteStartupNotification();
}

void StartupProgress::SetText(const std::string& text) {
  text_ = text;
  if (label_ == nullptr) return;
  label_->SetLabel(Wx(text_));
  // A longer text must not be cut off.
  window_->GetChildren().front()->GetSizer()->SetSizeHints(window_);
}

void StartupProgress::Cancel() {
  cancelled_ = true;
  zovaz::CancelWaits();
}
