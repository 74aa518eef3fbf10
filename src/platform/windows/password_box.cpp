#include "platform/password_box.h"

#include <windows.h>
#include <wx/textctrl.h>

namespace zovaz {

void MaskWithAsterisks(wxTextCtrl* passwordBox) {
  if (passwordBox == nullptr) return;
  ::SendMessageW(static_cast<HWND>(passwordBox->GetHWND()), EM_SETPASSWORDCHAR, L'*', 0);
  passwordBox->Refresh();
}

}  // namespace zovaz
