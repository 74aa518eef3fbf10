// Desktop notifications from pages: the engine hands them to the desktop's
// notification service; which pages may send them is the client's choice,
// and the customer is never asked.
#pragma once

#include <functional>
#include <string>

namespace zovaz {

class WebNotifications {
 public:
  // Takes over the notification questions of `nativeView` (a WebKitWebView).
  explicit WebNotifications(void* nativeView);
  ~WebNotifications();
  WebNotifications(const WebNotifications&) = delete;
  WebNotifications& operator=(const WebNotifications&) = delete;

  // Whether the page shown at `address` may notify; unset, no page may.
  void AllowFor(std::function<bool(const std::string& address)> mayNotify) {
    mayNotify_ = std::move(mayNotify);
  }

 private:
  static int HandlePermissionRequest(void* view, void* request, void* self);
  static int HandleShowNotification(void* view, void* notification, void* self);
  bool MayNotify(void* view) const;

  void* view_;
  std::function<bool(const std::string&)> mayNotify_;
};

}  // namespace zovaz
