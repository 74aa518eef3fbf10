#include "platform/web_notifications.h"

#include <webkit2/webkit2.h>

namespace zovaz {

WebNotifications::WebNotifications(void* nativeView) : view_(nativeView) {
  g_signal_connect(view_, "permission-request",
                   G_CALLBACK(&WebNotifications::HandlePermissionRequest), this);
  g_signal_connect(view_, "show-notification",
                   G_CALLBACK(&WebNotifications::HandleShowNotification), this);
}

WebNotifications::~WebNotifications() { g_signal_handlers_disconnect_by_data(view_, this); }

bool WebNotifications::MayNotify(void* view) const {
  const gchar* uri = webkit_web_view_get_uri(WEBKIT_WEB_VIEW(view));
  return mayNotify_ && uri != nullptr && mayNotify_(uri);
}

int WebNotifications::HandlePermissionRequest(void* view, void* request, void* self) {
  // Other questions (camera, location) keep the engine's answer, a refusal.
  if (!WEBKIT_IS_NOTIFICATION_PERMISSION_REQUEST(request)) return FALSE;
  if (static_cast<WebNotifications*>(self)->MayNotify(view)) {
    webkit_permission_request_allow(WEBKIT_PERMISSION_REQUEST(request));
  } else {
    webkit_permission_request_deny(WEBKIT_PERMISSION_REQUEST(request));
  }
  return TRUE;
}

int WebNotifications::HandleShowNotification(void* view, void*, void* self) {
  // The engine remembers a permission for the rest of the run: a page shown
  // once the shop's address has changed is asked about again here.
  return static_cast<WebNotifications*>(self)->MayNotify(view) ? FALSE : TRUE;
}

}  // namespace zovaz
