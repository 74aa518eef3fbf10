#include "platform/live_wait.h"

#include <gtk/gtk.h>
#include <wx/toplevel.h>

#include <exception>
#include <thread>
#include <vector>

namespace zovaz {

using Clock = std::chrono::steady_clock;

// The outermost Wait's, shared by the ones inside it.
struct HoldState {
  std::vector<GdkEvent*> events;
  GdkWindow* passTo = nullptr;  // the toplevel whose input is not held
  bool cancelled = false;
  int pauses = 0;
  Clock::time_point pausedSince;
  Clock::duration paused{};                  // in earlier pauses
  std::vector<Clock::time_point> deadlines;  // of the Waits alive, innermost last
};

namespace {

constexpr unsigned kTickMs = 40;

HoldState* hold = nullptr;
std::function<wxTopLevelWindow*()> watcher;

// A clock that stands still while the hold is paused.
Clock::time_point HeldNow() { return hold == nullptr ? Clock::now() : Clock::now() - hold->paused; }

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

bool AsksToQuit(const GdkEvent* event) {
  if (event->type == GDK_DELETE) return true;
  if (event->type != GDK_KEY_PRESS) return false;
  const guint modifiers = event->key.state & (GDK_CONTROL_MASK | GDK_SHIFT_MASK | GDK_MOD1_MASK);
  return modifiers == GDK_CONTROL_MASK && gdk_keyval_to_lower(event->key.keyval) == GDK_KEY_q;
}

void FilterEvent(GdkEvent* event, gpointer) {
  GdkWindow* window = event->any.window;
  const bool passes = hold == nullptr || hold->pauses > 0 || !IsInput(event->type) ||
                      (hold->passTo != nullptr && window != nullptr &&
                       gdk_window_get_toplevel(window) == hold->passTo);
  if (passes) {
    gtk_main_do_event(event);
    return;
  }
  if (AsksToQuit(event)) hold->cancelled = true;
  hold->events.push_back(gdk_event_copy(event));
}

// What the toolkit itself installs, minus its cast between function types.
void PassOn(GdkEvent* event, gpointer) { gtk_main_do_event(event); }

gboolean WakeUp(gpointer) { return G_SOURCE_CONTINUE; }

// One turn of the main loop with the hold in place.
void Turn() {
  // A nested yield of the toolkit's that filters events itself puts the
  // plain handler back when it ends; the filter must stay in place.
  gdk_event_handler_set(&FilterEvent, nullptr, nullptr);
  g_main_context_iteration(nullptr, TRUE);
  if (watcher) {
    wxTopLevelWindow* window = watcher();
    GtkWidget* widget = window != nullptr ? window->GetHandle() : nullptr;
    hold->passTo = widget != nullptr ? gtk_widget_get_window(widget) : nullptr;
  }
}

}  // namespace

Wait::Wait(std::chrono::milliseconds deadline) {
  if (hold == nullptr) {
    hold_ = std::make_unique<HoldState>();
    hold = hold_.get();
    gdk_event_handler_set(&FilterEvent, nullptr, nullptr);
  }
  deadline_ = HeldNow() + deadline;
  if (!hold->deadlines.empty() && hold->deadlines.back() < deadline_)
    deadline_ = hold->deadlines.back();
  hold->deadlines.push_back(deadline_);
}

Wait::~Wait() {
  hold->deadlines.pop_back();
  if (!hold_) return;
  gdk_event_handler_set(&PassOn, nullptr, nullptr);
  hold = nullptr;
  // In the order they arrived; the toolkit takes them up from its queue.
  for (GdkEvent* event : hold_->events) {
    gdk_display_put_event(gdk_display_get_default(), event);
    gdk_event_free(event);
  }
}

WaitEnd Wait::Until(const std::function<bool()>& finished) {
  // A wake-up may come before the loop blocks; the tick bounds that wait, and
  // lets the deadline be seen.
  const guint ticker = g_timeout_add(kTickMs, &WakeUp, nullptr);
  WaitEnd end = WaitEnd::kDone;
  while (!finished()) {
    if (hold->cancelled) {
      end = WaitEnd::kCancelled;
      break;
    }
    if (HeldNow() >= deadline_) {
      end = WaitEnd::kTimedOut;
      break;
    }
    Turn();
  }
  g_source_remove(ticker);
  return end;
}

WaitEnd Wait::Run(const std::function<void(const std::atomic<bool>& stop)>& work) {
  std::atomic<bool> stop{false};
  std::atomic<bool> done{false};
  std::exception_ptr failure;
  std::thread worker([&] {
    try {
      work(stop);
    } catch (...) {
      failure = std::current_exception();
    }
    done = true;
    g_main_context_wakeup(nullptr);
  });
  const WaitEnd end = Until([&] { return done.load(); });
  if (end != WaitEnd::kDone) {
    stop = true;
    const guint ticker = g_timeout_add(kTickMs, &WakeUp, nullptr);
    while (!done) Turn();
    g_source_remove(ticker);
  }
  worker.join();
  if (failure) std::rethrow_exception(failure);
  return end;
}

void CancelWaits() {
  if (hold != nullptr) hold->cancelled = true;
}

void WatchWaits(std::function<wxTopLevelWindow*()> watch) {
  watcher = std::move(watch);
  if (!watcher && hold != nullptr) hold->passTo = nullptr;
}

bool InputIsHeld() { return hold != nullptr && hold->pauses == 0; }

HoldPause::HoldPause() {
  if (hold != nullptr && hold->pauses++ == 0) hold->pausedSince = Clock::now();
}

HoldPause::~HoldPause() {
  if (hold != nullptr && --hold->pauses == 0) hold->paused += Clock::now() - hold->pausedSince;
}

}  // namespace zovaz
