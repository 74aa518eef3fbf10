#include "core/windows/wide.h"

#include <windows.h>

#include "core/io_error.h"

namespace zovaz {

std::wstring Widen(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int size =
      ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(size > 0 ? size : 0), L'\0');
  if (size > 0)
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), size);
  return out;
}

std::string Narrow(const std::wstring& utf16) {
  if (utf16.empty()) return {};
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()),
                                         nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(size > 0 ? size : 0), '\0');
  if (size > 0)
    ::WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()), out.data(),
                          size, nullptr, nullptr);
  return out;
}

int IoCodeFromWin32(unsigned long error) {
  switch (error) {
    // A missing folder reads as a missing file, as on Linux: the user is
    // told the same thing for the same mistake.
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return kFileNotFound;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_DIRECTORY:
      return kInvalidFilename;
    case ERROR_TOO_MANY_OPEN_FILES:
      return kTooManyOpenFiles;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
      return kFileAccessDenied;
    case ERROR_HANDLE_DISK_FULL:
    case ERROR_DISK_FULL:
    case 1295:  // ERROR_DISK_QUOTA_EXCEEDED, not in every SDK's headers
      return kDiskFull;
    default:
      return 0;
  }
}

void ThrowIoErrorFromWin32(unsigned long error) {
  const int listed = IoCodeFromWin32(error);
  if (listed != 0) throw IoError(listed);
  const int code = static_cast<int>(error);
  throw IoError(code, "I/O error " + std::to_string(code));
}

}  // namespace zovaz
