// Slow work off the GUI thread while the windows stay painted and the
// user's input waits its turn.
#pragma once

#include <functional>
#include <memory>

class wxTopLevelWindow;

namespace zovaz {

// Runs `work` on a worker thread and turns the GUI thread's main loop until
// it ends: windows repaint, timers and the web engine run, but input to the
// program's windows (keys, clicks, scrolling, close requests) is held and
// delivered, in its order, once the work is done, so no command starts
// inside the one that waits. `tick`, when given, runs on the GUI thread
// every few dozen milliseconds; the window it returns (a progress window)
// takes its input at once. What `work` throws is thrown here.
// While one lives, input to the program's windows is held as above, also
// through the nested loops a step runs (a script in the web view, say). The
// outermost one delivers what it held when it ends.
class InputHold {
 public:
  InputHold();
  ~InputHold();
  InputHold(const InputHold&) = delete;
  InputHold& operator=(const InputHold&) = delete;

 private:
  struct Held;
  std::unique_ptr<Held> held_;  // null unless outermost
};

// True while input is held: nothing that waits for the user (a message box)
// may be shown then.
bool InputIsHeld();

void RunWhileLive(const std::function<void()>& work,
                  const std::function<wxTopLevelWindow*()>& tick = {});

}  // namespace zovaz
