#include "platform/shell.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

#include "core/data_folder.h"

namespace zovaz {

std::string ExecutablePath() {
  std::error_code ec;
  const auto path = std::filesystem::canonical("/proc/self/exe", ec);
  return ec ? std::string() : path.string();
}

std::chrono::milliseconds ProcessAge() {
  // Field 22 of the process's stat line is its start, in clock ticks since
  // boot; the command name before it may hold spaces, so count from its ")".
  std::ifstream statFile("/proc/self/stat");
  std::string stat((std::istreambuf_iterator<char>(statFile)), {});
  std::ifstream uptimeFile("/proc/uptime");
  double uptime = 0;
  const size_t close = stat.rfind(')');
  if (close == std::string::npos || !(uptimeFile >> uptime)) return {};
  std::istringstream fields(stat.substr(close + 2));
  std::string field;
  for (int i = 3; i < 22 && fields >> field;) ++i;
  unsigned long long startTicks = 0;
  if (!(fields >> startTicks)) return {};
  const double age = uptime - static_cast<double>(startTicks) / sysconf(_SC_CLK_TCK);
  return std::chrono::milliseconds(age > 0 ? static_cast<long long>(age * 1000) : 0);
}

std::string AccountHome() {
  passwd entry{};
  passwd* found = nullptr;
  std::vector<char> buffer(16384);
  if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr)
    return {};
  return entry.pw_dir != nullptr ? entry.pw_dir : "";
}

std::string LocalAppData() {
  return LocalAppDataFrom(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"), AccountHome());
}

}  // namespace zovaz
