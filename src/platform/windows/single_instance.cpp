// One client per data folder on Windows: a named mutex is the lock, and a
// named pipe carries a second start's request to raise the window. Both
// names carry the user's security id, so no other user's program can hold
// the lock or answer in the client's place.
#include "platform/single_instance.h"

// clang-format off
#include <windows.h>
#include <sddl.h>
// clang-format on

#include <wx/app.h>
#include <wx/toplevel.h>

#include <atomic>
#include <chrono>
#include <cwctype>
#include <thread>

#include "core/windows/wide.h"

namespace zovaz {

namespace {

using Clock = std::chrono::steady_clock;

constexpr char kRaised = '1';
constexpr char kEnd = '\n';
constexpr char kOpenLine[] = "open ";
constexpr DWORD kMaxRequest = 1024;
constexpr int kRetryMs = 100;

// Handles live in the int members the header gives the lock and the
// channel; Windows keeps every handle's value within 32 bits for that.
int Stored(HANDLE handle) { return handle == nullptr ? -1 : HandleToLong(handle); }
HANDLE Loaded(int stored) { return stored < 0 ? nullptr : LongToHandle(stored); }

std::wstring UserSid() {
  HANDLE token = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return L"unknown";
  std::wstring sid = L"unknown";
  DWORD size = 0;
  ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  std::string buffer(size, '\0');
  if (size > 0 && ::GetTokenInformation(token, TokenUser, buffer.data(), size, &size)) {
    LPWSTR text = nullptr;
    if (::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text)) {
      sid = text;
      ::LocalFree(text);
    }
  }
  ::CloseHandle(token);
  return sid;
}

// Only this user may open the lock and the channel: without it a pipe's
// default access lets everyone read from it.
class OwnerOnly {
 public:
  OwnerOnly() {
    const std::wstring sddl = L"D:P(A;;GA;;;" + UserSid() + L")";
    if (::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1,
                                                               &descriptor_, nullptr))
      attributes_.lpSecurityDescriptor = descriptor_;
  }
  ~OwnerOnly() { ::LocalFree(descriptor_); }
  OwnerOnly(const OwnerOnly&) = delete;
  OwnerOnly& operator=(const OwnerOnly&) = delete;
  // Null, and so the default access, when the user's id is unknown.
  SECURITY_ATTRIBUTES* get() { return descriptor_ != nullptr ? &attributes_ : nullptr; }

 private:
  PSECURITY_DESCRIPTOR descriptor_ = nullptr;
  SECURITY_ATTRIBUTES attributes_{sizeof(SECURITY_ATTRIBUTES), nullptr, FALSE};
};

// One name for the folder whatever the case of its letters.
std::wstring FolderKey(const std::string& dataDir) {
  std::wstring folder = Widen(dataDir);
  for (wchar_t& c : folder) c = static_cast<wchar_t>(std::towlower(c));
  unsigned long long hash = 1469598103934665603ull;
  for (wchar_t c : folder) hash = (hash ^ static_cast<unsigned>(c)) * 1099511628211ull;
  wchar_t text[17];
  swprintf(text, 17, L"%016llx", hash);
  return UserSid() + L"-" + text;
}

std::wstring MutexName(const std::string& dataDir) { return L"Local\\zovaz-" + FolderKey(dataDir); }
std::wstring PipeName(const std::string& dataDir) {
  return L"\\\\.\\pipe\\zovaz-" + FolderKey(dataDir);
}

}  // namespace

// The holder's listener: a thread that answers one asker at a time, raising
// the window on the GUI thread.
struct SingleInstance::Request {
  std::wstring pipe;
  std::function<bool(const std::string&)> onRaise;
  std::function<void(const std::string&)> onLink;
  std::atomic<bool> stopping{false};
  std::thread thread;

  // Calls onRaise on the GUI thread until it succeeds or the listener stops.
  bool RaiseOnGuiThread(const std::string& startupId) {
    while (!stopping) {
      auto answer = std::make_shared<std::atomic<int>>(-1);
      wxTheApp->CallAfter(
          [raise = onRaise, answer, startupId] { *answer = raise(startupId) ? 1 : 0; });
      while (*answer < 0 && !stopping) std::this_thread::sleep_for(std::chrono::milliseconds(10));
      if (*answer == 1) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(kRetryMs));
    }
    return false;
  }

  void Listen() {
    while (!stopping) {
      HANDLE instance =
          ::CreateNamedPipeW(pipe_name(), PIPE_ACCESS_DUPLEX | FILE_FLAG_FIRST_PIPE_INSTANCE,
                             PIPE_TYPE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1,
                             kMaxRequest, kMaxRequest, 0, OwnerOnly().get());
      if (instance == INVALID_HANDLE_VALUE) return;
      const bool connected =
          ::ConnectNamedPipe(instance, nullptr) || ::GetLastError() == ERROR_PIPE_CONNECTED;
      if (connected && !stopping) {
        // The request is the start-up id and a line break, so that an
        // empty id is still a request.
        // An address to show may follow as a second line, "open <link>".
        std::string received;
        char buffer[kMaxRequest];
        DWORD read = 0;
        const auto whole = [&received] {
          const size_t end = received.find(kEnd);
          if (end == std::string::npos) return false;
          const std::string rest = received.substr(end + 1);
          // Sent in one write: an "open" line begun is read to its end.
          const bool linkBegun = rest.rfind(kOpenLine, 0) == 0;
          return !linkBegun || rest.find(kEnd) != std::string::npos;
        };
        while (!whole() && received.size() < 2 * kMaxRequest &&
               ::ReadFile(instance, buffer, sizeof buffer, &read, nullptr) && read > 0)
          received.append(buffer, read);
        const size_t end = received.find(kEnd);
        if (end != std::string::npos && RaiseOnGuiThread(received.substr(0, end))) {
          DWORD written = 0;
          ::WriteFile(instance, &kRaised, 1, &written, nullptr);
          ::FlushFileBuffers(instance);
          const std::string rest = received.substr(end + 1);
          const size_t linkEnd = rest.find(kEnd);
          // Answered first, so the asker ends even while the link's box is up.
          if (onLink && rest.rfind(kOpenLine, 0) == 0 && linkEnd != std::string::npos) {
            wxTheApp->CallAfter([show = onLink, link = rest.substr(sizeof kOpenLine - 1,
                                                                   linkEnd - (sizeof kOpenLine -
                                                                              1))] { show(link); });
          }
        }
      }
      ::DisconnectNamedPipe(instance);
      ::CloseHandle(instance);
    }
  }

  const wchar_t* pipe_name() const { return pipe.c_str(); }
};

SingleInstance::SingleInstance(const std::string& dataDir) {
  channelPaths_.push_back(dataDir);
  HANDLE mutex = ::CreateMutexW(OwnerOnly().get(), FALSE, MutexName(dataDir).c_str());
  lockFd_ = Stored(mutex);
  TryLock();
}

SingleInstance::~SingleInstance() {
  for (auto& [key, listener] : requests_) {
    listener->stopping = true;
    // A connection of its own wakes the listener from its wait for one.
    HANDLE wake = ::CreateFileW(listener->pipe_name(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    if (wake != INVALID_HANDLE_VALUE) ::CloseHandle(wake);
    if (listener->thread.joinable()) listener->thread.join();
  }
  requests_.clear();
  if (HANDLE mutex = Loaded(lockFd_)) {
    if (held_) ::ReleaseMutex(mutex);
    ::CloseHandle(mutex);
  }
}

bool SingleInstance::TryLock() {
  HANDLE mutex = Loaded(lockFd_);
  // No mutex at all never keeps the client from starting.
  if (mutex == nullptr) {
    held_ = true;
    return true;
  }
  const DWORD result = ::WaitForSingleObject(mutex, 0);
  // An abandoned mutex is a holder that crashed: the folder is free.
  held_ = result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
  return held_;
}

bool SingleInstance::AlreadyRunning() {
  if (held_) return false;
  return !TryLock();
}

bool SingleInstance::AskRunningToRaise(int timeoutMs, const std::string& startupId,
                                       const std::string& link) {
  const std::wstring pipeName = PipeName(channelPaths_.front());
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (Clock::now() < deadline) {
    if (TryLock()) return false;  // the holder has let go
    HANDLE pipe = ::CreateFileW(pipeName.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    if (pipe == INVALID_HANDLE_VALUE) {
      ::WaitNamedPipeW(pipeName.c_str(), 50);
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      continue;
    }
    // The holder may then take the focus, which Windows otherwise keeps
    // with the program the user started last.
    ULONG holder = 0;
    if (::GetNamedPipeServerProcessId(pipe, &holder)) ::AllowSetForegroundWindow(holder);
    DWORD written = 0;
    bool raised = false;
    // A line break in the link would end it early and make another address.
    std::string oneLine = link;
    for (char& c : oneLine)
      if (c == '\n' || c == '\r') c = ' ';
    std::string request = startupId + kEnd;
    if (!link.empty()) request += kOpenLine + oneLine + kEnd;
    if (::WriteFile(pipe, request.data(), static_cast<DWORD>(request.size()), &written, nullptr)) {
      while (Clock::now() < deadline) {
        DWORD available = 0;
        if (!::PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr)) break;
        if (available > 0) {
          char answer = 0;
          DWORD read = 0;
          raised = ::ReadFile(pipe, &answer, 1, &read, nullptr) && read == 1 && answer == kRaised;
          break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      }
    }
    ::CloseHandle(pipe);
    return raised;
  }
  return false;
}

bool SingleInstance::HandOverToRunning(int timeoutMs, const std::string& startupId,
                                       const std::string& link) {
  if (!AlreadyRunning()) return false;
  AskRunningToRaise(timeoutMs, startupId, link);
  // Whether or not it answered, it still holds the folder unless it ended.
  return AlreadyRunning();
}

bool SingleInstance::ListenForRaise(std::function<bool(const std::string&)> onRaise,
                                    std::function<void(const std::string&)> onLink) {
  if (!held_ || !requests_.empty() || wxTheApp == nullptr) return false;
  auto listener = std::make_unique<Request>();
  listener->pipe = PipeName(channelPaths_.front());
  listener->onRaise = std::move(onRaise);
  listener->onLink = std::move(onLink);
  // The first instance of the pipe is ours, or someone else stands in.
  HANDLE probe =
      ::CreateNamedPipeW(listener->pipe_name(), PIPE_ACCESS_DUPLEX | FILE_FLAG_FIRST_PIPE_INSTANCE,
                         PIPE_TYPE_BYTE | PIPE_REJECT_REMOTE_CLIENTS, 1, kMaxRequest, kMaxRequest,
                         0, OwnerOnly().get());
  if (probe == INVALID_HANDLE_VALUE) return false;
  ::CloseHandle(probe);
  Request* raw = listener.get();
  listener->thread = std::thread([raw] { raw->Listen(); });
  requests_.emplace(0, std::move(listener));
  return true;
}

void BringToFront(wxTopLevelWindow& window, const std::string&) {
  window.Show();
  window.Iconize(false);
  window.Raise();
  ::SetForegroundWindow(static_cast<HWND>(window.GetHWND()));
}

bool BringAnyShownToFront(const std::string&) {
  HWND shown = nullptr;
  ::EnumThreadWindows(
      ::GetCurrentThreadId(),
      [](HWND window, LPARAM found) -> BOOL {
        if (!::IsWindowVisible(window) || (::GetWindowLongW(window, GWL_STYLE) & WS_CHILD) != 0)
          return TRUE;
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&shown));
  if (shown == nullptr) return false;
  ::ShowWindow(shown, SW_RESTORE);
  ::SetForegroundWindow(shown);
  return true;
}

}  // namespace zovaz
