#include "core/memory_text.h"

namespace zovaz {

std::string FormatKilobytes(std::uint64_t bytes, const std::string& thousandsSeparator) {
  // Integer arithmetic: a double loses the last kilobyte on very large totals.
  const std::uint64_t kilobytes = bytes / 1024 + (bytes % 1024 >= 512 ? 1 : 0);
  const std::string digits = std::to_string(kilobytes);
  std::string grouped;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) grouped += thousandsSeparator;
    grouped += digits[i];
  }
  return grouped + " kB";
}

std::string FormatMemoryLoad(int percent) { return std::to_string(percent) + " %"; }

}  // namespace zovaz
