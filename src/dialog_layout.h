// The one way the dialogs are laid out and closed. Their designs are in
// pixels of a smaller font than this desktop's; the whole design grows by one
// factor for both axes, the least that lets every control show all of itself.
#pragma once

#include <wx/gdicmn.h>

#include <vector>

class wxDialog;
class wxWindow;

namespace zovaz {

struct DesignedRect {
  int left, top, width, height;
};

class DialogLayout {
 public:
  // What must fit into a designed room; an axis whose room is 0 is left out.
  void Needs(const wxSize& size, const DesignedRect& room);
  void Needs(wxWindow* control, const DesignedRect& room);

  // Past twice the design a dialog would outgrow a small screen; a text
  // wider still is cut instead.
  double Scale() const;
  int Px(int designed) const;

  // At the grown rectangle, offset by `origin` (already grown), never
  // smaller than the control's best size.
  void Place(wxWindow* control, const DesignedRect& room, wxPoint origin = wxPoint()) const;
  // At the grown position, in the control's own best size.
  void PlaceAtBestSize(wxWindow* control, const DesignedRect& room,
                       wxPoint origin = wxPoint()) const;
  // The dialog's client area, grown, and fixed at that size.
  void FixClientSize(wxDialog& dialog, int designedWidth, int designedHeight) const;

 private:
  double scale_ = 1.0;
};

// Tab and Shift+Tab walk `order` (round, past disabled or hidden controls).
// The toolkit's own walk asks a focused check box whether it has the focus
// of an active window: in a window the toolkit does not believe active (a
// dialog opened from the menu by keyboard without a window manager) the box
// keeps the focus on every Tab, and the keys typed next go nowhere.
void WalkFocusWithTab(wxDialog& dialog, std::vector<wxWindow*> order);

// The dialogs are created once and never destroyed: a modal showing ends
// with `result`, a modeless one is hidden.
void CloseDialog(wxDialog& dialog, int result);

}  // namespace zovaz
