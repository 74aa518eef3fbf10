// DownloadFile through WinInet, with the deadlines, the cancel and the
// whole-or-nothing rule of every download.
#include "platform/download.h"

// clang-format off
#include <windows.h>
#include <wininet.h>
// clang-format on

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "core/text_file.h"
#include "core/windows/wide.h"
#include "platform/shell.h"

namespace zovaz {

namespace {

using Clock = std::chrono::steady_clock;

// Pages, style sheets and probes are small; a server that keeps sending is
// broken, and is not allowed to fill the memory.
constexpr size_t kMaxBodyBytes = 64u << 20;
constexpr DWORD kReadSize = 1024;

std::wstring AgentName() {
  const std::string exe = ExecutablePath();
  const size_t slash = exe.find_last_of("\\/");
  return Widen(slash == std::string::npos ? exe : exe.substr(slash + 1));
}

bool IsWebAddress(const std::string& url) {
  const auto starts = [&url](const char* scheme) {
    return ::CompareStringOrdinal(
               Widen(url.substr(0, std::char_traits<char>::length(scheme))).c_str(), -1,
               Widen(scheme).c_str(), -1, TRUE) == CSTR_EQUAL;
  };
  return starts("http://") || starts("https://");
}

// A header as a number; false when the answer has none.
bool NumericHeader(HINTERNET request, DWORD query, unsigned long long& value) {
  wchar_t text[32] = {};
  DWORD size = sizeof text;
  if (!::HttpQueryInfoW(request, query, text, &size, nullptr)) return false;
  wchar_t* end = nullptr;
  value = std::wcstoull(text, &end, 10);
  return end != text && *end == L'\0';
}

// WinInet's calls block; only closing the session wakes them. The watch
// closes it when the wait is cancelled or the whole download has taken too
// long, and the transfer then fails.
class Watch {
 public:
  Watch(HINTERNET session, const DownloadOptions& options)
      : session_(session), options_(options), thread_([this] { Run(); }) {}
  ~Watch() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      finished_ = true;
    }
    wake_.notify_all();
    thread_.join();
  }
  // Closes the session unless the watch already has; from the transfer's thread.
  void CloseSession() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!closed_) ::InternetCloseHandle(session_);
    closed_ = true;
  }
  bool Abandoned() {
    std::lock_guard<std::mutex> lock(mutex_);
    return abandoned_;
  }

 private:
  void Run() {
    const Clock::time_point deadline =
        Clock::now() + std::chrono::milliseconds(options_.overallTimeoutMs);
    std::unique_lock<std::mutex> lock(mutex_);
    while (!finished_) {
      const bool cancelled = options_.cancel != nullptr && options_.cancel->load();
      if ((cancelled || Clock::now() >= deadline) && !closed_) {
        abandoned_ = true;
        closed_ = true;
        ::InternetCloseHandle(session_);
      }
      wake_.wait_for(lock, std::chrono::milliseconds(20));
    }
  }

  HINTERNET session_;
  const DownloadOptions& options_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool finished_ = false;
  bool closed_ = false;
  bool abandoned_ = false;
  std::thread thread_;
};

// The body of `url`, or false when anything short of the whole body arrived.
bool Fetch(HINTERNET session, const std::string& url, const DownloadOptions& options,
           std::string& body) {
  // Always from the server: a copy from the cache would tell a probe that
  // a server is there when it is not.
  const DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                      INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_NO_UI;
  HINTERNET request = ::InternetOpenUrlW(session, Widen(url).c_str(), nullptr, 0, flags, 0);
  if (request == nullptr) return false;
  bool whole = true;
  unsigned long long status = 0;
  if (options.requireSuccessStatus &&
      (!NumericHeader(request, HTTP_QUERY_STATUS_CODE, status) || status < 200 || status > 299))
    whole = false;
  char buffer[kReadSize];
  while (whole) {
    DWORD read = 0;
    // A failing read is a broken transfer, not the end of the body.
    if (!::InternetReadFile(request, buffer, kReadSize, &read)) {
      whole = false;
      break;
    }
    if (read == 0) break;
    if (body.size() + read > kMaxBodyBytes) {
      whole = false;
      break;
    }
    body.append(buffer, read);
  }
  // An answer that closes early still ends with a read of 0 bytes: only the
  // announced length tells it from a whole one.
  unsigned long long announced = 0;
  if (whole && NumericHeader(request, HTTP_QUERY_CONTENT_LENGTH, announced) &&
      announced != body.size())
    whole = false;
  ::InternetCloseHandle(request);
  return whole;
}

}  // namespace

bool DownloadFile(const std::string& url, const std::string& path, const DownloadOptions& options) {
  if (!IsWebAddress(url)) return false;
  // The system's configured proxy, as the web view uses it.
  HINTERNET session =
      ::InternetOpenW(AgentName().c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  if (session == nullptr) return false;
  DWORD connect = static_cast<DWORD>(options.connectTimeoutMs);
  DWORD stall = static_cast<DWORD>(options.stallTimeoutMs);
  ::InternetSetOptionW(session, INTERNET_OPTION_CONNECT_TIMEOUT, &connect, sizeof connect);
  ::InternetSetOptionW(session, INTERNET_OPTION_SEND_TIMEOUT, &stall, sizeof stall);
  ::InternetSetOptionW(session, INTERNET_OPTION_RECEIVE_TIMEOUT, &stall, sizeof stall);
  std::string body;
  bool whole = false;
  {
    Watch watch(session, options);
    whole = Fetch(session, url, options, body) && !watch.Abandoned();
    watch.CloseSession();
  }
  if (!whole) return false;
  WriteFileAtomically(path, body);
  return true;
}

}  // namespace zovaz
