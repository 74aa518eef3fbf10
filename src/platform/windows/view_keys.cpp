#include "platform/view_keys.h"

#include "platform/windows/unsupported.h"

namespace zovaz {

// The engine passes the keys it does not use on to the window's menu
// accelerators itself; what it keeps cannot be taken from it here.
ViewKeys::ViewKeys(void* nativeView, Handler handler)
    : view_(nativeView), handler_(std::move(handler)) {
  LogUnsupportedOnce("keys taken before the page");
}

ViewKeys::~ViewKeys() = default;

}  // namespace zovaz
