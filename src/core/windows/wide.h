// The Windows boundary of core: UTF-8 paths and texts as the system's UTF-16,
// and the system's error codes as the client's file errors.
#pragma once

#include <string>

namespace zovaz {

std::wstring Widen(const std::string& utf8);
std::string Narrow(const std::wstring& utf16);

// The listed file-error code nearest to a GetLastError() value, 0 when none.
int IoCodeFromWin32(unsigned long error);

// Throws IoError for a GetLastError() value: the listed text when the value
// has a listed meaning, else "I/O error <value>".
[[noreturn]] void ThrowIoErrorFromWin32(unsigned long error);

}  // namespace zovaz
