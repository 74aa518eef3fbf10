#include "platform/web_notifications.h"

namespace zovaz {

// The engine offers pages no desktop notifications at all, so none is ever
// shown: the strictest of the client's choices holds by itself.
WebNotifications::WebNotifications(void* nativeView) : view_(nativeView) {}
WebNotifications::~WebNotifications() = default;

}  // namespace zovaz
