#include "platform/wheel_zoom.h"

#include <gtk/gtk.h>

namespace zovaz {

WheelZoom::WheelZoom(void* nativeView, std::function<void(int)> handler)
    : view_(nativeView), handler_(std::move(handler)) {
  // Ahead of the engine's own handler, which would scroll the page.
  g_signal_connect(view_, "scroll-event", G_CALLBACK(&WheelZoom::HandleScroll), this);
}

WheelZoom::~WheelZoom() { g_signal_handlers_disconnect_by_data(view_, this); }

int WheelZoom::HandleScroll(void*, void* event, void* self) {
  auto* scroll = static_cast<GdkEventScroll*>(event);
  if ((scroll->state & gtk_accelerator_get_default_mod_mask()) != GDK_CONTROL_MASK) return FALSE;
  auto* owner = static_cast<WheelZoom*>(self);
  int step = 0;
  switch (scroll->direction) {
    case GDK_SCROLL_UP:
      step = 1;
      break;
    case GDK_SCROLL_DOWN:
      step = -1;
      break;
    case GDK_SCROLL_SMOOTH:
      owner->pending_ -= scroll->delta_y;
      if (owner->pending_ >= 1) {
        step = 1;
        owner->pending_ = 0;
      } else if (owner->pending_ <= -1) {
        step = -1;
        owner->pending_ = 0;
      }
      break;
    default:
      break;
  }
  if (step != 0 && owner->handler_) owner->handler_(step);
  return TRUE;
}

}  // namespace zovaz
