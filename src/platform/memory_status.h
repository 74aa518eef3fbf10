// The machine's physical memory figures, and how its locale groups digits.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace zovaz {

struct MemoryStatus {
  std::uint64_t totalPhysicalBytes = 0;
  int memoryLoad = 0;  // percent of physical memory in use, 0 to 100
};

// The figures from the text of /proc/meminfo; nothing when it lacks a usable
// MemTotal. Kernels without MemAvailable count free, buffer and cache
// memory as available.
std::optional<MemoryStatus> MemoryStatusFromMemInfo(const std::string& meminfo);

// The figures now: /proc/meminfo, else sysinfo(2), else zeros.
MemoryStatus QueryMemoryStatus();

// The thousands separator of the user's numeric locale as UTF-8, "" when the
// locale has none (the C locale).
std::string LocaleThousandsSeparator();

}  // namespace zovaz
