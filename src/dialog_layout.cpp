#include "dialog_layout.h"

#include <wx/dialog.h>
#include <wx/event.h>

#include <algorithm>
#include <cmath>
#include <utility>

#include "platform/toolkit_focus.h"

namespace zovaz {

namespace {
constexpr double kMaxScale = 2.0;
}  // namespace

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

void WalkFocusWithTab(wxDialog& dialog, std::vector<wxWindow*> order) {
  dialog.Bind(wxEVT_CHAR_HOOK, [&dialog, order = std::move(order)](wxKeyEvent& event) {
    const int modifiers = event.GetModifiers();
    if (event.GetKeyCode() != WXK_TAB || (modifiers & ~wxMOD_SHIFT) != 0 || order.empty()) {
      event.Skip();
      return;
    }
    const int count = static_cast<int>(order.size());
    const int step = modifiers == wxMOD_SHIFT ? count - 1 : 1;
    const auto focused = std::find(order.begin(), order.end(), ToolkitFocus(dialog, order));
    // From outside the walk, Tab starts at the first control and Shift+Tab
    // at the last.
    int at = focused == order.end() ? (step == 1 ? count - 1 : 0)
                                    : static_cast<int>(focused - order.begin());
    for (int tried = 0; tried < count; ++tried) {
      at = (at + step) % count;
      if (order[at]->IsShownOnScreen() && order[at]->IsEnabled()) {
        order[at]->SetFocus();
        return;
      }
    }
  });
}

void CloseDialog(wxDialog& dialog, int result) {
  if (dialog.IsModal()) {
    dialog.EndModal(result);
  } else {
    dialog.Hide();
  }
}

}  // namespace zovaz
