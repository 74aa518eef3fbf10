#include "platform/shell.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

#include "core/data_folder.h"

namespace zovaz {

std::string ExecutablePath() {
  std::error_code ec;
  const auto path = std::filesystem::canonical("/proc/self/exe", ec);
  return ec ? std::string() : path.string();
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
