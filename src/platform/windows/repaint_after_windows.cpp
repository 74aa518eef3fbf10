#include "platform/repaint_after_windows.h"

namespace zovaz {

// Windows repaints what a closed menu or dialog uncovered by itself.
RepaintAfterWindows::RepaintAfterWindows(void* nativeView) : view_(nativeView) {}
RepaintAfterWindows::~RepaintAfterWindows() = default;

}  // namespace zovaz
