// Paints the web view again whenever another window of the process (a menu,
// a dialog, a message box) goes away: without a compositor the engine does
// not repaint what such a window uncovered, and its shape stays grey on the
// page.
#pragma once

namespace zovaz {

class RepaintAfterWindows {
 public:
  explicit RepaintAfterWindows(void* nativeView);
  ~RepaintAfterWindows();
  RepaintAfterWindows(const RepaintAfterWindows&) = delete;
  RepaintAfterWindows& operator=(const RepaintAfterWindows&) = delete;

  // How many times the view has been asked to repaint so far.
  int Repaints() const { return repaints_; }

 private:
  static int HandleHide(void* hint, unsigned count, const void* params, void* self);
  static int Repaint(void* self);

  void* view_;
  unsigned long hook_ = 0;
  unsigned pending_ = 0;  // the timer source, 0 when none
  int repaints_ = 0;
};

}  // namespace zovaz
