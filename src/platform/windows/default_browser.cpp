#include "platform/default_browser.h"

// clang-format off
#include <windows.h>
#include <shellapi.h>
// clang-format on

#include <wx/log.h>

#include "core/registered_command.h"
#include "core/windows/wide.h"

namespace zovaz {

namespace {

// The default value of HKEY_CLASSES_ROOT\htmlfile\shell\open\command, read
// only; "" when the key or the value is missing.
std::wstring RegisteredCommand() {
  HKEY key = nullptr;
  if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, L"htmlfile\\shell\\open\\command", 0, KEY_QUERY_VALUE,
                      &key) != ERROR_SUCCESS)
    return {};
  std::wstring command;
  DWORD type = 0;
  DWORD size = 0;
  if (::RegQueryValueExW(key, nullptr, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
      (type == REG_SZ || type == REG_EXPAND_SZ) && size > 0) {
    std::wstring value(size / sizeof(wchar_t) + 1, L'\0');
    if (::RegQueryValueExW(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value.data()),
                           &size) == ERROR_SUCCESS)
      command = value.c_str();  // up to the first NUL, stored or not
  }
  ::RegCloseKey(key);
  return command;
}

}  // namespace

bool OpenInDefaultBrowser(const std::string& url) {
  const std::string program = QuotedProgram(Narrow(RegisteredCommand()));
  // A command without a quoted program names nothing to start; asking the
  // shell to open "" would open a folder window instead.
  if (program.empty()) {
    wxLogVerbose("no default browser: the registered command names no quoted program");
    return false;
  }
  const auto result = reinterpret_cast<INT_PTR>(::ShellExecuteW(
      nullptr, L"open", Widen(program).c_str(), Widen(url).c_str(), nullptr, SW_SHOW));
  if (result <= 32) {
    wxLogVerbose("the default browser %s could not be started: %d", program,
                 static_cast<int>(result));
    return false;
  }
  return true;
}

bool OpenWithDesktop(const std::string& path) {
  const std::wstring wide = Widen(path);
  if (::GetFileAttributesW(wide.c_str()) == INVALID_FILE_ATTRIBUTES) return false;
  // The shell's own association for the type; a folder opens in Explorer.
  const auto result = reinterpret_cast<INT_PTR>(
      ::ShellExecuteW(nullptr, nullptr, wide.c_str(), nullptr, nullptr, SW_SHOW));
  if (result <= 32) {
    wxLogVerbose("%s could not be opened: %d", path, static_cast<int>(result));
    return false;
  }
  return true;
}

}  // namespace zovaz
