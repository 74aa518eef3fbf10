#include "platform/password_box.h"

#include <gtk/gtk.h>
#include <wx/textctrl.h>

namespace zovaz {

void MaskWithAsterisks(wxTextCtrl* passwordBox) {
  GtkWidget* widget = passwordBox->GetHandle();
  if (widget != nullptr && GTK_IS_ENTRY(widget))
    gtk_entry_set_invisible_char(GTK_ENTRY(widget), '*');
}

}  // namespace zovaz
