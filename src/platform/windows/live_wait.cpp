// The wait model on Windows' message queue: input messages for the program's
// windows are held while a wait lives and posted again, in order, after it.
#include "platform/live_wait.h"

#include <windows.h>
#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/toplevel.h>

#include <exception>
#include <thread>
#include <vector>

namespace zovaz {

using Clock = std::chrono::steady_clock;

// The outermost Wait's, shared by the ones inside it.
struct HoldState {
  std::vector<MSG> events;
  HWND passTo = nullptr;  // the top-level window whose input is not held
  bool cancelled = false;
  int pauses = 0;
  Clock::time_point pausedSince;
  Clock::duration paused{};                  // in earlier pauses
  std::vector<Clock::time_point> deadlines;  // of the Waits alive, innermost last
};

namespace {

constexpr DWORD kTickMs = 40;

HoldState* hold = nullptr;
std::function<wxTopLevelWindow*()> watcher;

Clock::time_point HeldNow() { return hold == nullptr ? Clock::now() : Clock::now() - hold->paused; }

bool IsInput(UINT message) {
  return (message >= WM_KEYFIRST && message <= WM_KEYLAST) ||
         (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) ||
         (message >= WM_NCMOUSEMOVE && message <= WM_NCXBUTTONDBLCLK) || message == WM_CLOSE;
}

bool Down(int key) { return (::GetKeyState(key) & 0x8000) != 0; }

bool AsksToQuit(const MSG& msg) {
  switch (msg.message) {
    case WM_CLOSE:
      return true;
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONUP:
      return msg.wParam == HTCLOSE;
    case WM_SYSKEYDOWN:
      return msg.wParam == VK_F4;
    case WM_KEYDOWN:
      return msg.wParam == 'Q' && Down(VK_CONTROL) && !Down(VK_SHIFT) && !Down(VK_MENU);
    default:
      return false;
  }
}

void Dispatch(MSG& msg) {
  // The running loop's own handling (accelerators, dialog keys) when there
  // is one; the start-up sequence waits before the main loop runs.
  if (auto* loop = static_cast<wxGUIEventLoop*>(wxEventLoopBase::GetActive())) {
    loop->ProcessMessage(&msg);
    return;
  }
  static wxGUIEventLoop standIn;
  standIn.ProcessMessage(&msg);
}

// One turn of the message loop with the hold in place.
void Turn() {
  ::MsgWaitForMultipleObjectsEx(0, nullptr, kTickMs, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      // For the main loop, after every wait has ended.
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      hold->cancelled = true;
      break;
    }
    const bool passes = hold->pauses > 0 || !IsInput(msg.message) ||
                        (hold->passTo != nullptr && msg.hwnd != nullptr &&
                         ::GetAncestor(msg.hwnd, GA_ROOT) == hold->passTo);
    if (passes) {
      Dispatch(msg);
      continue;
    }
    if (AsksToQuit(msg)) hold->cancelled = true;
    hold->events.push_back(msg);
  }
  if (wxTheApp != nullptr) wxTheApp->ProcessPendingEvents();
  if (watcher) {
    wxTopLevelWindow* window = watcher();
    hold->passTo = window != nullptr ? static_cast<HWND>(window->GetHWND()) : nullptr;
  }
}

}  // namespace

Wait::Wait(std::chrono::milliseconds deadline) {
  if (hold == nullptr) {
    hold_ = std::make_unique<HoldState>();
    hold = hold_.get();
  }
  deadline_ = HeldNow() + deadline;
  if (!hold->deadlines.empty() && hold->deadlines.back() < deadline_)
    deadline_ = hold->deadlines.back();
  hold->deadlines.push_back(deadline_);
}

Wait::~Wait() {
  hold->deadlines.pop_back();
  if (!hold_) return;
  hold = nullptr;
  // In the order they arrived, behind whatever the queue holds now.
  for (const MSG& msg : hold_->events) {
    if (msg.hwnd != nullptr && !::IsWindow(msg.hwnd)) continue;
    ::PostMessageW(msg.hwnd, msg.message, msg.wParam, msg.lParam);
  }
}

WaitEnd Wait::Until(const std::function<bool()>& finished) {
  while (!finished()) {
    if (hold->cancelled) return WaitEnd::kCancelled;
    if (HeldNow() >= deadline_) return WaitEnd::kTimedOut;
    Turn();
  }
  return WaitEnd::kDone;
}

WaitEnd Wait::Run(const std::function<void(const std::atomic<bool>& stop)>& work) {
  std::atomic<bool> stop{false};
  std::atomic<bool> done{false};
  std::exception_ptr failure;
  const DWORD waiter = ::GetCurrentThreadId();
  std::thread worker([&] {
    try {
      work(stop);
    } catch (...) {
      failure = std::current_exception();
    }
    done = true;
    ::PostThreadMessageW(waiter, WM_NULL, 0, 0);  // ends the turn's wait at once
  });
  const WaitEnd end = Until([&] { return done.load(); });
  if (end != WaitEnd::kDone) {
    stop = true;
    while (!done) Turn();
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
