#include "platform/message_box.h"

#include <wx/msgdlg.h>
#include <wx/window.h>

namespace zovaz {

namespace {

// Over whatever window the user is working in: a box raised while the
// settings dialog is open must not hide behind it.
void ShowBox(const std::string& text, long icon, wxWindow* fallbackParent) {
  wxWindow* parent = wxGetActiveWindow();
  wxMessageBox(wxString::FromUTF8(text), wxString::FromUTF8(kApplicationTitle), wxOK | icon,
               parent != nullptr ? parent : fallbackParent);
}

}  // namespace

void ModalMessageBoxes::Inform(const std::string& text) { ShowBox(text, wxICON_NONE, parent_); }

void ModalMessageBoxes::Error(const std::string& text) { ShowBox(text, wxICON_ERROR, parent_); }

}  // namespace zovaz
