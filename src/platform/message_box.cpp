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

// Over whatever window the user is working in: a box raised while the
// settings dialog is open must not hide behind it.
wxWindow* BoxParent(wxWindow* fallbackParent) {
  wxWindow* parent = wxGetActiveWindow();
  return parent != nullptr ? parent : fallbackParent;
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
  // like a notice; wxWidgets' own box gives its OK the stock id, which GTK
  // turns into its translated stock button. So the box is drawn here.
  wxDialog box(BoxParent(parent_), wxID_ANY, Wx(kApplicationTitle));
  auto* row = new wxBoxSizer(wxHORIZONTAL);
  row->Add(
      new wxStaticBitmap(&box, wxID_ANY, wxArtProvider::GetBitmap(wxART_ERROR, wxART_MESSAGE_BOX)),
      0, wxALL, 10);
  row->Add(new wxStaticText(&box, wxID_ANY, Wx(text)), 1,
           wxALIGN_CENTRE_VERTICAL | wxTOP | wxBOTTOM | wxRIGHT, 10);
  // A plain id: with wxID_OK and the caption "OK" GTK would show "Budiž".
  auto* ok = new wxButton(&box, wxID_ANY, "OK");
  ok->Bind(wxEVT_BUTTON, [&box](wxCommandEvent&) { box.EndModal(wxID_OK); });
  box.SetAffirmativeId(ok->GetId());
  box.SetEscapeId(ok->GetId());
  ok->SetDefault();
  auto* column = new wxBoxSizer(wxVERTICAL);
  column->Add(row, 1, wxEXPAND);
  column->Add(new wxStaticLine(&box), 0, wxEXPAND | wxLEFT | wxRIGHT, 10);
  column->Add(ok, 0, wxALIGN_RIGHT | wxALL, 10);
  box.SetSizerAndFit(column);
  box.CentreOnParent();
  ok->SetFocus();
  box.ShowModal();
}

}  // namespace zovaz
