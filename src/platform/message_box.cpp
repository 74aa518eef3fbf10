#include "platform/message_box.h"

#include <wx/artprov.h>
#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/msgdlg.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/statline.h>
#include <wx/stattext.h>
#include <wx/window.h>

#include "platform/live_wait.h"
#include "platform/wx_text.h"

namespace zovaz {

namespace {

// Return codes of the drawn box's buttons: far from wxWidgets' own ids.
constexpr int kFirstChoiceId = 1000;

// Over whatever window the user is working in: a box raised while the
// settings dialog is open must not hide behind it.
wxWindow* BoxParent(wxWindow* fallbackParent) {
  wxWindow* parent = wxGetActiveWindow();
  return parent != nullptr ? parent : fallbackParent;
}

// The application title as caption, the text (beside an error icon when
// asked), and a button for each choice in a row, the last one the default
// and what Escape gives. Returns the index pressed, -1 when closed otherwise.
int DrawnBox(wxWindow* parent, const std::string& text, bool errorIcon,
             const std::vector<std::string>& choices) {
  wxDialog box(parent, wxID_ANY, Wx(kApplicationTitle));
  auto* row = new wxBoxSizer(wxHORIZONTAL);
  if (errorIcon)
    row->Add(new wxStaticBitmap(&box, wxID_ANY,
                                wxArtProvider::GetBitmap(wxART_ERROR, wxART_MESSAGE_BOX)),
             0, wxALL, 10);
  row->Add(new wxStaticText(&box, wxID_ANY, Wx(text)), 1,
           wxALIGN_CENTRE_VERTICAL | wxTOP | wxBOTTOM | wxRIGHT | (errorIcon ? 0 : wxLEFT), 10);
  auto* buttons = new wxBoxSizer(wxHORIZONTAL);
  buttons->AddStretchSpacer();
  wxButton* last = nullptr;
  for (size_t i = 0; i < choices.size(); ++i) {
    // Plain ids: with wxID_OK and the caption "OK" GTK would show "Budiž".
    last = new wxButton(&box, wxID_ANY, Wx(choices[i]));
    last->Bind(wxEVT_BUTTON,
               [&box, i](wxCommandEvent&) { box.EndModal(static_cast<int>(kFirstChoiceId + i)); });
    buttons->Add(last, 0, wxLEFT, 6);
  }
  box.SetEscapeId(last->GetId());
  last->SetDefault();
  auto* column = new wxBoxSizer(wxVERTICAL);
  column->Add(row, 1, wxEXPAND);
  column->Add(new wxStaticLine(&box), 0, wxEXPAND | wxLEFT | wxRIGHT, 10);
  column->Add(buttons, 0, wxEXPAND | wxALL, 10);
  box.SetSizerAndFit(column);
  box.CentreOnParent();
  last->SetFocus();
  // Escape and the window's close box press the escape button.
  const int result = box.ShowModal() - kFirstChoiceId;
  return result >= 0 && result < static_cast<int>(choices.size()) ? result : -1;
}

}  // namespace

void ModalMessageBoxes::Inform(const std::string& text) {
  // A box behind held input could never be answered.
  HoldPause pause;
  wxMessageDialog box(BoxParent(parent_), Wx(text), Wx(kApplicationTitle),
                      wxOK | wxICON_NONE | wxCENTRE);
  // The toolkit's Czech for its OK button is not the client's.
  box.SetOKLabel("OK");
  box.ShowModal();
}

void ModalMessageBoxes::Error(const std::string& text) {
  HoldPause pause;
  // GTK 3's native message dialog draws no icon, and an error must not look
  // like a notice.
  DrawnBox(BoxParent(parent_), text, true, {"OK"});
}

int ModalMessageBoxes::Choose(const std::string& text, const std::vector<std::string>& choices) {
  if (choices.empty()) {
    Inform(text);
    return -1;
  }
  HoldPause pause;
  // Drawn here: the native box orders its buttons by their stock role, which
  // would put closing between two actions and give Escape to one of them.
  return DrawnBox(BoxParent(parent_), text, false, choices);
}

}  // namespace zovaz
