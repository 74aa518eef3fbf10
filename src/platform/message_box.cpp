#include "platform/message_box.h"

#include <wx/msgdlg.h>
#include <wx/window.h>

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
  wxMessageDialog box(BoxParent(parent_), Wx(text), Wx(kApplicationTitle),
                      wxOK | wxICON_NONE | wxCENTRE);
  // The toolkit's Czech for its OK button is not the client's.
  box.SetOKLabel("OK");
  box.ShowModal();
}

void ModalMessageBoxes::Error(const std::string& text) {
  // GTK 3's native message dialog draws no icon, and an error must not look
  // like a notice: wxWidgets' own dialog draws the error icon itself.
  wxGenericMessageDialog box(BoxParent(parent_), Wx(text), Wx(kApplicationTitle),
                             wxOK | wxICON_ERROR | wxCENTRE);
  box.SetOKLabel("OK");
  box.ShowModal();
}

}  // namespace zovaz
