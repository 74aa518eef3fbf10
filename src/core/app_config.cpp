#include "core/app_config.h"

#include <filesystem>
#include <system_error>

#include "core/io_error.h"
#include "core/native_path.h"
#include "core/text_file.h"

namespace zovaz {

AppConfig ReadAppConfig(const std::string& path, std::string* unreadable) {
  if (unreadable != nullptr) unreadable->clear();
  std::string bytes;
  try {
    bytes = ReadFileBytes(path);
  } catch (const IoError& error) {
    // ENOENT and ENOTDIR both read as not_found.
    std::error_code ec;
    const bool absent = std::filesystem::symlink_status(PathOf(path), ec).type() ==
                        std::filesystem::file_type::not_found;
    if (unreadable != nullptr && !absent) *unreadable = path + ": " + error.what();
    return {};
  }
  TextReader reader(std::move(bytes));
  AppConfig config;
  config.serverUrl = reader.ReadLine();
  config.userName = reader.ReadLine();
  config.passwordHash = reader.ReadLine();
  config.autoLogin = reader.ReadLine();
  return config;
}

std::string FormatAppConfig(const AppConfig& config) {
  return JoinTextLines({config.serverUrl, config.userName, config.passwordHash, config.autoLogin});
}

bool WriteAppConfig(const std::string& path, const AppConfig& config, std::string* failure) {
  try {
    WriteFileAtomically(path, FormatAppConfig(config), 0600, true);
    return true;
  } catch (const IoError& error) {
    if (failure != nullptr) *failure = path + ": " + error.what();
    return false;
  }
}

}  // namespace zovaz
