#include "platform/shell.h"

// clang-format off
#include <windows.h>
#include <shlobj.h>
// clang-format on

#include <vector>

#include "core/windows/wide.h"

namespace zovaz {

namespace {

// The shell's answer for `folderId`, without a trailing backslash; "" when
// it has none.
std::string SpecialFolder(int folderId) {
  wchar_t path[MAX_PATH + 1] = {};
  if (FAILED(::SHGetFolderPathW(nullptr, folderId, nullptr, SHGFP_TYPE_CURRENT, path))) return "";
  std::wstring folder = path;
  while (folder.size() > 3 && folder.back() == L'\\') folder.pop_back();
  return Narrow(folder);
}

}  // namespace

std::string ExecutablePath() {
  // Long paths do not fit MAX_PATH; the buffer grows until the name does.
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length =
        ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return "";
    if (length < buffer.size()) return Narrow(std::wstring(buffer.data(), length));
    if (buffer.size() >= 32768) return "";
    buffer.resize(buffer.size() * 2);
  }
}

std::chrono::milliseconds ProcessAge() {
  FILETIME created, exited, kernel, user;
  if (!::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user)) return {};
  FILETIME now;
  ::GetSystemTimeAsFileTime(&now);
  const auto ticks = [](const FILETIME& time) {
    return (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  };
  if (ticks(now) < ticks(created)) return {};
  // FILETIME counts 100 ns steps.
  return std::chrono::milliseconds((ticks(now) - ticks(created)) / 10000);
}

std::string AccountHome() { return SpecialFolder(CSIDL_PROFILE); }

std::string LocalAppData() { return SpecialFolder(CSIDL_LOCAL_APPDATA); }

}  // namespace zovaz
