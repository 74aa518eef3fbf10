#include "platform/toolkit_focus.h"

#include <wx/toplevel.h>
#ifdef __WXGTK__
#include <gtk/gtk.h>
#endif

namespace zovaz {

wxWindow* ToolkitFocus(wxTopLevelWindow& window, const std::vector<wxWindow*>& among) {
#ifdef __WXGTK__
  GtkWidget* focused = gtk_window_get_focus(GTK_WINDOW(window.GetHandle()));
  if (focused == nullptr) return nullptr;
  for (wxWindow* control : among)
    if (control->GetHandle() == focused) return control;
  return nullptr;
#else
  (void)window;
  wxWindow* focused = wxWindow::FindFocus();
  for (wxWindow* control : among)
    if (control == focused) return control;
  return nullptr;
#endif
}

}  // namespace zovaz
