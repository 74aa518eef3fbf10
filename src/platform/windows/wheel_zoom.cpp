#include "platform/wheel_zoom.h"

#include "platform/windows/unsupported.h"

namespace zovaz {

// The engine zooms on Ctrl+wheel by itself.
WheelZoom::WheelZoom(void* nativeView, std::function<void(int)> handler)
    : view_(nativeView), handler_(std::move(handler)) {
  LogUnsupportedOnce("the client's own Ctrl+wheel zoom");
}

WheelZoom::~WheelZoom() = default;

}  // namespace zovaz
