#include "platform/memory_status.h"

#include <windows.h>

#include "core/windows/wide.h"

namespace zovaz {

MemoryStatus QueryMemoryStatus() {
  // The Ex form: GlobalMemoryStatus caps its figures at 4 GB.
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof status;
  if (!::GlobalMemoryStatusEx(&status)) return {};
  return {status.ullTotalPhys, static_cast<int>(status.dwMemoryLoad)};
}

std::string LocaleThousandsSeparator() {
  wchar_t separator[8] = {};
  if (::GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_STHOUSAND, separator, 8) <= 1) return "";
  return Narrow(separator);
}

}  // namespace zovaz
