#include "platform/message_box.h"

#include <wx/msgdlg.h>

namespace zovaz {

void ModalMessageBoxes::Inform(const std::string& text) {
  wxMessageBox(wxString::FromUTF8(text), wxString::FromUTF8(kApplicationTitle),
               wxOK | wxICON_NONE, parent_);
}

void ModalMessageBoxes::Error(const std::string& text) {
  wxMessageBox(wxString::FromUTF8(text), wxString::FromUTF8(kApplicationTitle),
               wxOK | wxICON_ERROR, parent_);
}

}  // namespace zovaz
