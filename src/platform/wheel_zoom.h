// Ctrl+wheel over the web view: the steps go to a handler instead of
// scrolling the page.
#pragma once

#include <functional>

namespace zovaz {

class WheelZoom {
 public:
  // `handler` gets +1 for a step up (zoom in), -1 for a step down.
  WheelZoom(void* nativeView, std::function<void(int step)> handler);
  ~WheelZoom();
  WheelZoom(const WheelZoom&) = delete;
  WheelZoom& operator=(const WheelZoom&) = delete;

 private:
  static int HandleScroll(void* widget, void* event, void* self);

  void* view_;
  std::function<void(int)> handler_;
  double pending_ = 0;  // smooth scrolling arrives in fractions of a step
};

}  // namespace zovaz
