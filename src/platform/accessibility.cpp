#include "platform/accessibility.h"

#include <gtk/gtk.h>
#include <wx/menu.h>
#include <wx/statbox.h>
#include <wx/window.h>

namespace zovaz {

namespace {

AtkObject* AccessibleOf(GtkWidget* widget) {
  return widget != nullptr ? gtk_widget_get_accessible(widget) : nullptr;
}

AtkObject* AccessibleOf(wxWindow* control) {
  return control != nullptr ? AccessibleOf(control->GetHandle()) : nullptr;
}

}  // namespace

void SetAccessibleName(wxWindow* control, const std::string& name) {
  if (AtkObject* accessible = AccessibleOf(control)) atk_object_set_name(accessible, name.c_str());
}

void SetAccessibleRole(wxWindow* control, AccessibleRole role) {
  AtkObject* accessible = AccessibleOf(control);
  if (accessible == nullptr) return;
  switch (role) {
    case AccessibleRole::Dialog:
      atk_object_set_role(accessible, ATK_ROLE_DIALOG);
      break;
    case AccessibleRole::Link:
      atk_object_set_role(accessible, ATK_ROLE_LINK);
      break;
  }
}

void RelateLabel(wxWindow* label, wxWindow* control) {
  AtkObject* caption = AccessibleOf(label);
  AtkObject* captioned = AccessibleOf(control);
  if (caption == nullptr || captioned == nullptr) return;
  atk_object_add_relationship(captioned, ATK_RELATION_LABELLED_BY, caption);
  atk_object_add_relationship(caption, ATK_RELATION_LABEL_FOR, captioned);
}

void NameUncaptionedBox(wxStaticBox* box, const std::string& name) {
  GtkWidget* frame = box->GetHandle();
  if (frame == nullptr || !GTK_IS_FRAME(frame)) return;
  // Hidden, not removed: the toolkit keeps using the label for the caption.
  if (GtkWidget* caption = gtk_frame_get_label_widget(GTK_FRAME(frame))) {
    gtk_widget_hide(caption);
    gtk_widget_set_no_show_all(caption, TRUE);
  }
  atk_object_set_name(AccessibleOf(frame), name.c_str());
}

void SetAccessibleName(wxMenuBar* menuBar, const std::string& name) {
  if (menuBar == nullptr) return;
  GtkWidget* widget = menuBar->GetHandle();
  if (widget != nullptr && GTK_IS_MENU_BAR(widget))
    atk_object_set_name(AccessibleOf(widget), name.c_str());
}

}  // namespace zovaz
