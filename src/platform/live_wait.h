// The one model for a step that waits: the windows stay painted, the user's
// input waits its turn, no wait outlives its deadline, and closing the
// program always works.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>

class wxTopLevelWindow;

namespace zovaz {

enum class WaitEnd { kDone, kTimedOut, kCancelled };

struct HoldState;

// While a Wait lives, input to the program's windows (keys, clicks,
// scrolling, close requests) is held and delivered, in its order, once the
// outermost Wait ends, so no command starts inside the step that waits.
// Two requests are not only held: closing one of the program's windows and
// Ctrl+Q cancel every wait at once, so the step ends promptly and the held
// request then closes the program as usual.
//
// A Wait inside another ends no later than the outer one's deadline; a
// cancel ends every Wait until the outermost is gone. Time the hold stands
// paused (see HoldPause) does not count against any deadline.
class Wait {
 public:
  explicit Wait(std::chrono::milliseconds deadline);
  ~Wait();
  Wait(const Wait&) = delete;
  Wait& operator=(const Wait&) = delete;

  // Turns the GUI thread's main loop (windows repaint, timers and the web
  // engine run) until `finished` holds, the deadline passes or the waits
  // are cancelled.
  WaitEnd Until(const std::function<bool()>& finished);

  // Runs `work` on a worker thread meanwhile. `stop` is set when the wait
  // ends early; the wait still lasts until `work` has returned, so `work`
  // must heed it. What `work` throws is thrown here.
  WaitEnd Run(const std::function<void(const std::atomic<bool>& stop)>& work);

 private:
  std::unique_ptr<HoldState> hold_;  // null unless outermost
  std::chrono::steady_clock::time_point deadline_;
};

// Ends every wait now running as cancelled, and every one that begins
// before the outermost has ended.
void CancelWaits();

// While waits run, `watch` is called on the GUI thread every few dozen
// milliseconds; the window it returns (a progress window) takes its input
// at once. An empty function ends the watch.
void WatchWaits(std::function<wxTopLevelWindow*()> watch);

// True while input is held: nothing that waits for the user may be shown.
bool InputIsHeld();

// While one lives, the hold lets input through and its deadlines stand
// still: a box or dialog the user must answer never sits behind the hold.
class HoldPause {
 public:
  HoldPause();
  ~HoldPause();
  HoldPause(const HoldPause&) = delete;
  HoldPause& operator=(const HoldPause&) = delete;
};

}  // namespace zovaz
