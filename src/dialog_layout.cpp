#include "dialog_layout.h"

#include <wx/dialog.h>

#include <algorithm>
#include <cmath>

namespace zovaz {

namespace {
constexpr double kMaxScale = 2.0;
}

void DialogLayout::Needs(const wxSize& size, const DesignedRect& room) {
  if (room.width > 0) scale_ = std::max(scale_, static_cast<double>(size.x) / room.width);
  if (room.height > 0) scale_ = std::max(scale_, static_cast<double>(size.y) / room.height);
}

void DialogLayout::Needs(wxWindow* control, const DesignedRect& room) {
  Needs(control->GetBestSize(), room);
}

double DialogLayout::Scale() const { return std::min(scale_, kMaxScale); }

int DialogLayout::Px(int designed) const {
  return static_cast<int>(std::lround(designed * Scale()));
}

void DialogLayout::Place(wxWindow* control, const DesignedRect& room, wxPoint origin) const {
  const wxSize best = control->GetBestSize();
  control->SetSize(origin.x + Px(room.left), origin.y + Px(room.top),
                   std::max(Px(room.width), best.x), std::max(Px(room.height), best.y));
}

void DialogLayout::PlaceAtBestSize(wxWindow* control, const DesignedRect& room,
                                   wxPoint origin) const {
  const wxSize best = control->GetBestSize();
  control->SetSize(origin.x + Px(room.left), origin.y + Px(room.top), best.x, best.y);
}

void DialogLayout::FixClientSize(wxDialog& dialog, int designedWidth, int designedHeight) const {
  dialog.SetClientSize(Px(designedWidth), Px(designedHeight));
  const wxSize fixed = dialog.GetSize();
  dialog.SetSizeHints(fixed, fixed);
}

void CloseDialog(wxDialog& dialog, int result) {
  if (dialog.IsModal()) {
    dialog.EndModal(result);
  } else {
    dialog.Hide();
  }
}

}  // namespace zovaz
