// What screen readers are told about the windows' controls where the toolkit
// tells them nothing by itself: names, roles and which label captions what.
#pragma once

#include <string>

class wxMenuBar;
class wxStaticBox;
class wxWindow;

namespace zovaz {

enum class AccessibleRole { Dialog, Link };

// `name` is UTF-8 and already translated.
void SetAccessibleName(wxWindow* control, const std::string& name);
void SetAccessibleRole(wxWindow* control, AccessibleRole role);

// `label` is the caption shown beside `control`: a screen reader reads it
// with the control, and the control is known as what the label captions.
void RelateLabel(wxWindow* label, wxWindow* control);

// A box without a caption still carries an empty caption label, which a
// screen reader would announce as a nameless text; it is taken out of view
// and the box is named for what it groups instead.
void NameUncaptionedBox(wxStaticBox* box, const std::string& name);

void SetAccessibleName(wxMenuBar* menuBar, const std::string& name);

}  // namespace zovaz
