// DownloadFile through WinInet, with the deadlines, the cancel and the
// whole-or-nothing rule of every download.
#include "platform/download.h"

// clang-format off
#include <windows.h>
#include <wininet.h>
// clang-format on

#include <chrono>
#include <memory>
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

// One transfer, shared by the thread that runs WinInet's blocking calls and
// the caller that watches it: WinInet honours neither its own receive
// time-out nor a closed handle in every version, so the caller stops
// waiting by itself and the thread, left behind, ends with its connection.
struct Transfer {
  std::mutex mutex;
  HINTERNET session = nullptr;  // null once closed
  bool done = false;
  bool whole = false;
  bool connected = false;
  Clock::time_point lastActivity = Clock::now();
  std::string body;

  void Touch() {
    std::lock_guard<std::mutex> lock(mutex);
    lastActivity = Clock::now();
  }
  // Outside the lock: closing calls the status callback, which takes it.
  void CloseSession() {
    HINTERNET closing = nullptr;
    {
      std::lock_guard<std::mutex> lock(mutex);
      std::swap(closing, session);
    }
    if (closing != nullptr) ::InternetCloseHandle(closing);
  }
};

// Until the connection stands, the connect time-out is the one in charge;
// afterwards every sign of the server (the answer, each read) restarts the
// stall limit.
void CALLBACK NoteStatus(HINTERNET, DWORD_PTR context, DWORD status, LPVOID, DWORD) {
  auto* transfer = reinterpret_cast<Transfer*>(context);
  if (transfer == nullptr) return;
  std::lock_guard<std::mutex> lock(transfer->mutex);
  switch (status) {
    case INTERNET_STATUS_CONNECTED_TO_SERVER:
      transfer->connected = true;
      transfer->lastActivity = Clock::now();
      break;
    case INTERNET_STATUS_REQUEST_SENT:
    case INTERNET_STATUS_RESPONSE_RECEIVED:
    case INTERNET_STATUS_REDIRECT:
      transfer->lastActivity = Clock::now();
      break;
    default:
      break;
  }
}

// The body of `url`, or false when anything short of the whole body arrived.
bool Fetch(HINTERNET session, const std::string& url, bool requireSuccessStatus, Transfer& transfer,
           std::string& body) {
  // Always from the server: a copy from the cache would tell a probe that
  // a server is there when it is not.
  const DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                      INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_NO_UI;
  HINTERNET request = ::InternetOpenUrlW(session, Widen(url).c_str(), nullptr, 0, flags,
                                         reinterpret_cast<DWORD_PTR>(&transfer));
  if (request == nullptr) return false;
  {
    // A server that answers has connected, whether or not WinInet said so.
    std::lock_guard<std::mutex> lock(transfer.mutex);
    transfer.connected = true;
    transfer.lastActivity = Clock::now();
  }
  // A connection closed before any answer opens as well, with status 0 and
  // an empty body: no answer is no download.
  unsigned long long status = 0;
  const bool answered =
      NumericHeader(request, HTTP_QUERY_STATUS_CODE, status) && status >= 100 && status <= 599;
  bool whole = answered && (!requireSuccessStatus || (status >= 200 && status <= 299));
  unsigned long long announced = 0;
  const bool hasLength = NumericHeader(request, HTTP_QUERY_CONTENT_LENGTH, announced);
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
    transfer.Touch();
  }
  // An answer that closes early still ends with a read of 0 bytes: only the
  // announced length tells it from a whole one.
  if (whole && hasLength && announced != body.size()) whole = false;
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
  // WinInet's own limits, where it honours them, end a given-up thread
  // sooner.
  DWORD connect = static_cast<DWORD>(options.connectTimeoutMs);
  DWORD stall = static_cast<DWORD>(options.stallTimeoutMs);
  ::InternetSetOptionW(session, INTERNET_OPTION_CONNECT_TIMEOUT, &connect, sizeof connect);
  ::InternetSetOptionW(session, INTERNET_OPTION_SEND_TIMEOUT, &stall, sizeof stall);
  ::InternetSetOptionW(session, INTERNET_OPTION_RECEIVE_TIMEOUT, &stall, sizeof stall);
  ::InternetSetStatusCallbackW(session, &NoteStatus);
  auto transfer = std::make_shared<Transfer>();
  transfer->session = session;
  std::thread worker([transfer, url, requireSuccess = options.requireSuccessStatus, session] {
    std::string body;
    const bool whole = Fetch(session, url, requireSuccess, *transfer, body);
    transfer->CloseSession();
    std::lock_guard<std::mutex> lock(transfer->mutex);
    transfer->whole = whole;
    transfer->body = std::move(body);
    transfer->done = true;
  });
  const Clock::time_point start = Clock::now();
  const auto connectLimit = std::chrono::milliseconds(options.connectTimeoutMs);
  const auto stallLimit = std::chrono::milliseconds(options.stallTimeoutMs);
  const auto overallLimit = std::chrono::milliseconds(options.overallTimeoutMs);
  bool whole = false;
  bool finished = false;
  std::string body;
  for (;;) {
    {
      std::lock_guard<std::mutex> lock(transfer->mutex);
      if (transfer->done) {
        whole = transfer->whole;
        body = std::move(transfer->body);
        finished = true;
        break;
      }
      const Clock::time_point now = Clock::now();
      const bool cancelled = options.cancel != nullptr && options.cancel->load();
      const bool stalled = transfer->connected ? now - transfer->lastActivity > stallLimit
                                               : now - start > connectLimit;
      if (cancelled || stalled || now - start > overallLimit) break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (finished) {
    worker.join();
  } else {
    // Given up: the thread keeps its share of the transfer and ends when
    // its connection does; closing the session hastens that where it can.
    transfer->CloseSession();
    worker.detach();
  }
  if (!whole) return false;
  WriteFileAtomically(path, body);
  return true;
}

}  // namespace zovaz
