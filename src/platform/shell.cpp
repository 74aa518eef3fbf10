#include "platform/shell.h"

#include <cstdlib>
#include <filesystem>

#include "core/data_folder.h"

namespace zovaz {

std::string ExecutablePath() {
  std::error_code ec;
  const auto path = std::filesystem::canonical("/proc/self/exe", ec);
  return ec ? std::string() : path.string();
}

std::string LocalAppData() {
  return LocalAppDataFrom(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
}

}  // namespace zovaz
