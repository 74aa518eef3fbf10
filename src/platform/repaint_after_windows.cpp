#include "platform/repaint_after_windows.h"

#include <gtk/gtk.h>

namespace zovaz {

namespace {

// The uncovered area is exposed only after the server has unmapped the
// window; a little later is late enough.
constexpr guint kDelayMs = 60;

}  // namespace

RepaintAfterWindows::RepaintAfterWindows(void* nativeView) : view_(nativeView) {
  hook_ =
      g_signal_add_emission_hook(g_signal_lookup("hide", GTK_TYPE_WIDGET), 0,
                                 reinterpret_cast<GSignalEmissionHook>(&HandleHide), this, nullptr);
}

RepaintAfterWindows::~RepaintAfterWindows() {
  g_signal_remove_emission_hook(g_signal_lookup("hide", GTK_TYPE_WIDGET), hook_);
  if (pending_ != 0) g_source_remove(pending_);
}

int RepaintAfterWindows::HandleHide(void*, unsigned count, const void* params, void* self) {
  auto* owner = static_cast<RepaintAfterWindows*>(self);
  const auto* values = static_cast<const GValue*>(params);
  auto* widget = count > 0 ? static_cast<GObject*>(g_value_get_object(&values[0])) : nullptr;
  if (widget != nullptr && GTK_IS_WINDOW(widget) &&
      GTK_WIDGET(widget) != gtk_widget_get_toplevel(GTK_WIDGET(owner->view_)) &&
      owner->pending_ == 0)
    owner->pending_ = g_timeout_add(kDelayMs, reinterpret_cast<GSourceFunc>(&Repaint), owner);
  return TRUE;  // keep the hook
}

int RepaintAfterWindows::Repaint(void* self) {
  auto* owner = static_cast<RepaintAfterWindows*>(self);
  owner->pending_ = 0;
  ++owner->repaints_;
  gtk_widget_queue_draw(GTK_WIDGET(owner->view_));
  return G_SOURCE_REMOVE;
}

}  // namespace zovaz
