#include "core/data_folder.h"

#include <filesystem>
#include <vector>

#include "core/app_config.h"
#include "core/io_error.h"
#include "core/native_path.h"
#include "core/text_file.h"

namespace fs = std::filesystem;

namespace zovaz {

std::string LocalAppDataFrom(const char* xdgDataHome, const char* home,
                             const std::string& accountHome) {
  if (xdgDataHome != nullptr && xdgDataHome[0] == '/') return xdgDataHome;
  // A relative home would put the folder wherever the client was started.
  if (home != nullptr && home[0] == '/') return std::string(home) + "/.local/share";
  if (!accountHome.empty() && accountHome[0] == '/') return accountHome + "/.local/share";
  return {};
}

std::string ExeDirOf(const std::string& exePath) {
  const size_t slash = exePath.rfind(kPathSeparator);
  return slash == std::string::npos ? exePath : exePath.substr(0, slash);
}

std::string InstalledVersion(const std::string& dataDir) {
  try {
    return TextReader(ReadFileBytes(VersionMarkerPath(dataDir))).ReadLine();
  } catch (const IoError&) {
    return {};
  }
}

bool SetupNeeded(const std::string& dataDir) { return InstalledVersion(dataDir) != kSetupVersion; }

namespace {

// Line 1 is deployment data and follows the update; lines 2 to 4 are the
// user's login and survive it.
bool InstallConfig(const std::string& shippedPath, const std::string& userPath) {
  std::string shipped;
  try {
    shipped = ReadFileBytes(shippedPath);
  } catch (const IoError&) {
    return true;  // nothing to install; the user's file stays as it is
  }
  std::error_code ec;
  if (!fs::exists(PathOf(userPath), ec)) {
    try {
      WriteFileAtomically(userPath, shipped, 0600, true);
    } catch (const IoError&) {
      return false;
    }
    return true;
  }
  std::string unreadable;
  AppConfig merged = ReadAppConfig(userPath, &unreadable);
  // The user's lines were never seen: writing would wipe them.
  if (!unreadable.empty()) return false;
  merged.serverUrl = TextReader(shipped).ReadLine();
  return WriteAppConfig(userPath, merged);
}

}  // namespace

bool RunSetup(const std::string& exeDir, const std::string& dataDir,
              std::vector<std::string>* failures) {
  std::vector<std::string> failed;
  // A fresh account may lack ~/.local/share itself; the base-directory
  // convention creates every missing level private to the user.
  CreatePrivateFolders(dataDir);
  if (!CopyDirectory(AppFolderPath(exeDir), AppFolderPath(dataDir)))
    failed.push_back("copy of " + AppFolderPath(exeDir) + " to " + AppFolderPath(dataDir));
  if (!InstallConfig(ConfigPath(exeDir), ConfigPath(dataDir)))
    failed.push_back("configuration " + ConfigPath(dataDir));
  try {
    WriteFileAtomically(VersionMarkerPath(dataDir), JoinTextLines({kSetupVersion}));
  } catch (const IoError& error) {
    failed.push_back(VersionMarkerPath(dataDir) + ": " + error.what());
  }
  if (failures != nullptr) *failures = failed;
  return failed.empty();
}

}  // namespace zovaz
