// Windows' screen readers read a control's own text and its label's through
// the system's accessibility of the native controls; what wxWidgets lets a
// program add is the window name.
#include "platform/accessibility.h"

#include <wx/menu.h>
#include <wx/statbox.h>
#include <wx/window.h>

#include "platform/windows/unsupported.h"
#include "platform/wx_text.h"

namespace zovaz {

void SetAccessibleName(wxWindow* control, const std::string& name) {
  if (control != nullptr) control->SetName(Wx(name));
}

void SetAccessibleRole(wxWindow*, AccessibleRole) { LogUnsupportedOnce("accessible roles"); }

// A label placed just before its control in the tab order is what Windows
// reads with the control already.
void RelateLabel(wxWindow* label, wxWindow* control) {
  if (label != nullptr && control != nullptr && label->GetParent() == control->GetParent())
    label->MoveBeforeInTabOrder(control);
}

void NameUncaptionedBox(wxStaticBox* box, const std::string& name) {
  if (box != nullptr) box->SetName(Wx(name));
}

void SetAccessibleName(wxMenuBar* menuBar, const std::string& name) {
  if (menuBar != nullptr) menuBar->SetName(Wx(name));
}

}  // namespace zovaz
