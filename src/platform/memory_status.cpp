#include "platform/memory_status.h"

#include <glib.h>
#include <langinfo.h>
#include <locale.h>
#include <sys/sysinfo.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>

namespace zovaz {

namespace {

int LoadPercent(std::uint64_t total, std::uint64_t available) {
  if (total == 0) return 0;
  const std::uint64_t used = total - std::min(available, total);
  // Rounded to the nearest percent; the arithmetic stays in 64 bits, as
  // used * 100 fits for any machine that exists.
  return static_cast<int>((used * 100 + total / 2) / total);
}

}  // namespace

std::optional<MemoryStatus> MemoryStatusFromMemInfo(const std::string& meminfo) {
  // Lines read "Name:   12345 kB"; the values are in units of 1024 bytes.
  std::map<std::string, std::uint64_t> kilobytes;
  std::istringstream lines(meminfo);
  std::string line;
  while (std::getline(lines, line)) {
    const auto colon = line.find(':');
    if (colon == std::string::npos) continue;
    std::istringstream value(line.substr(colon + 1));
    std::uint64_t number = 0;
    if (value >> number) kilobytes[line.substr(0, colon)] = number;
  }
  const auto field = [&](const char* name) -> std::optional<std::uint64_t> {
    const auto it = kilobytes.find(name);
    if (it == kilobytes.end()) return std::nullopt;
    return it->second * 1024;
  };
  const auto total = field("MemTotal");
  if (!total || *total == 0) return std::nullopt;
  std::optional<std::uint64_t> available = field("MemAvailable");
  if (!available) {
    available =
        field("MemFree").value_or(0) + field("Buffers").value_or(0) + field("Cached").value_or(0);
  }
  return MemoryStatus{*total, LoadPercent(*total, *available)};
}

MemoryStatus QueryMemoryStatus() {
  std::ifstream file("/proc/meminfo");
  std::stringstream text;
  text << file.rdbuf();
  if (const auto status = MemoryStatusFromMemInfo(text.str())) return *status;

  struct sysinfo info {};
  if (sysinfo(&info) != 0) return {};
  const std::uint64_t unit = info.mem_unit == 0 ? 1 : info.mem_unit;
  const std::uint64_t total = static_cast<std::uint64_t>(info.totalram) * unit;
  const std::uint64_t available =
      (static_cast<std::uint64_t>(info.freeram) + info.bufferram) * unit;
  return {total, LoadPercent(total, available)};
}

std::string LocaleThousandsSeparator() {
  // The user's locale from the environment, whether or not this process has
  // switched its own numeric locale away from "C".
  const locale_t user = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(0));
  if (user == static_cast<locale_t>(0)) return "";
  std::string separator = nl_langinfo_l(THOUSEP, user);
  const std::string codeset = nl_langinfo_l(CODESET, user);
  freelocale(user);
  if (separator.empty() || g_utf8_validate(separator.data(), -1, nullptr)) return separator;
  // A legacy 8-bit locale: its separator byte must not reach a UTF-8 label raw.
  gchar* converted =
      g_convert(separator.data(), -1, "UTF-8", codeset.c_str(), nullptr, nullptr, nullptr);
  if (converted == nullptr) return "";
  std::string result = converted;
  g_free(converted);
  return result;
}

}  // namespace zovaz
