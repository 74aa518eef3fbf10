// Keys pressed while the web view has the focus reach the window before the
// page does: the engine would otherwise take them, and hand on only some,
// late.
#pragma once

#include <functional>

namespace zovaz {

class ViewKeys {
 public:
  // Gets wxWidgets' key code (WXK_* or the upper-case character) and
  // modifiers (wxMOD_CONTROL, wxMOD_ALT, wxMOD_SHIFT); returns true when it
  // took the key, which then never reaches the page.
  using Handler = std::function<bool(int keyCode, int modifiers)>;

  ViewKeys(void* nativeView, Handler handler);
  ~ViewKeys();
  ViewKeys(const ViewKeys&) = delete;
  ViewKeys& operator=(const ViewKeys&) = delete;

 private:
  static int HandleKeyPress(void* widget, void* event, void* self);

  void* view_;
  Handler handler_;
};

}  // namespace zovaz
