// The look of password boxes on this desktop.
#pragma once

class wxTextCtrl;

namespace zovaz {

// Masks every typed character with "*", as the dialog is designed, instead
// of the toolkit's own bullet.
void MaskWithAsterisks(wxTextCtrl* passwordBox);

}  // namespace zovaz
