// The per-user configuration file: four lines, one value each.
#pragma once

#include <string>

namespace zovaz {

struct AppConfig {
  std::string serverUrl;
  std::string userName;
  std::string passwordHash;
  std::string autoLogin;
};

// A flag value counts as on only when it is exactly "1".
inline bool FlagIsOn(const std::string& flag) { return flag == "1"; }

// Missing or unreadable file, or missing lines: empty values. Never throws.
// When given, `unreadable` says why a file that exists could not be read,
// and is "" when it was read or is not there; such a file must not be
// replaced by values that never saw it.
AppConfig ReadAppConfig(const std::string& path, std::string* unreadable = nullptr);

// The file's bytes: the four values, CR LF after each.
std::string FormatAppConfig(const AppConfig& config);

// Replaces the file atomically, readable by its owner only (it holds the
// password digest). Returns false when it could not be written, and then
// says why in `failure` when given.
bool WriteAppConfig(const std::string& path, const AppConfig& config,
                    std::string* failure = nullptr);

}  // namespace zovaz
