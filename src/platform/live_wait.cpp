#include "platform/live_wait.h"

#include <gtk/gtk.h>
#include <wx/toplevel.h>

#include <atomic>
#include <exception>
#include <thread>
#include <vector>

namespace zovaz {

namespace {

constexpr unsigned kTickMs = 40;

struct HeldInput {
  std::vector<GdkEvent*> events;
  GdkWindow* passTo = nullptr;  // the toplevel whose input is not held
};

HeldInput* held = nullptr;  // the outermost hold's, while one lives

bool IsInput(GdkEventType type) {
  switch (type) {
    case GDK_MOTION_NOTIFY:
    case GDK_BUTTON_PRESS:
    case GDK_2BUTTON_PRESS:
    case GDK_3BUTTON_PRESS:
    case GDK_BUTTON_RELEASE:
    case GDK_KEY_PRESS:
    case GDK_KEY_RELEASE:
    case GDK_SCROLL:
    case GDK_DELETE:
    case GDK_TOUCH_BEGIN:
    case GDK_TOUCH_UPDATE:
    case GDK_TOUCH_END:
    case GDK_TOUCH_CANCEL:
    case GDK_TOUCHPAD_SWIPE:
    case GDK_TOUCHPAD_PINCH:
      return true;
    default:
      return false;
  }
}

void FilterEvent(GdkEvent* event, gpointer) {
  GdkWindow* window = event->any.window;
  const bool passes = held == nullptr || !IsInput(event->type) ||
                      (held->passTo != nullptr && window != nullptr &&
                       gdk_window_get_toplevel(window) == held->passTo);
  if (passes) {
    gtk_main_do_event(event);
    return;
  }
  held->events.push_back(gdk_event_copy(event));
}

// What the toolkit itself installs, minus its cast between function types.
void PassOn(GdkEvent* event, gpointer) { gtk_main_do_event(event); }

gboolean WakeUp(gpointer) { return G_SOURCE_CONTINUE; }

}  // namespace

struct InputHold::Held : HeldInput {};

bool InputIsHeld() { return held != nullptr; }

InputHold::InputHold() {
  if (held != nullptr) return;
  held_ = std::make_unique<Held>();
  held = held_.get();
  gdk_event_handler_set(&FilterEvent, nullptr, nullptr);
}

InputHold::~InputHold() {
  if (!held_) return;
  gdk_event_handler_set(&PassOn, nullptr, nullptr);
  held = nullptr;
  // In the order they arrived; the toolkit takes them up from its queue.
  for (GdkEvent* event : held_->events) {
    gdk_display_put_event(gdk_display_get_default(), event);
    gdk_event_free(event);
  }
}

void RunWhileLive(const std::function<void()>& work,
                  const std::function<wxTopLevelWindow*()>& tick) {
  std::atomic<bool> done{false};
  std::exception_ptr failure;
  std::thread worker([&] {
    try {
      work();
    } catch (...) {
      failure = std::current_exception();
    }
    done = true;
    g_main_context_wakeup(nullptr);
  });

  InputHold hold;
  // The worker's wake-up may come before the loop blocks; the tick bounds
  // that wait as well.
  const guint ticker = g_timeout_add(kTickMs, &WakeUp, nullptr);
  while (!done) {
    // A nested yield of the toolkit's that filters events itself puts the
    // plain handler back when it ends; the filter must stay in place.
    gdk_event_handler_set(&FilterEvent, nullptr, nullptr);
    g_main_context_iteration(nullptr, TRUE);
    if (tick) {
      wxTopLevelWindow* window = tick();
      GtkWidget* widget = window != nullptr ? window->GetHandle() : nullptr;
      held->passTo = widget != nullptr ? gtk_widget_get_window(widget) : nullptr;
    }
  }
  g_source_remove(ticker);
  worker.join();
  held->passTo = nullptr;

  if (failure) std::rethrow_exception(failure);
}

}  // namespace zovaz
