#include "core/data_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

#include "core/app_config.h"
#include "core/io_error.h"
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
  const size_t slash = exePath.rfind('/');
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

bool CreatePrivateFolders(const std::string& folder, std::string* failure) {
  std::vector<fs::path> missing;
  std::error_code ec;
  for (fs::path level = folder;
       !level.empty() && !fs::exists(level, ec) && level != level.parent_path();
       level = level.parent_path()) {
    missing.push_back(level);
  }
  for (auto level = missing.rbegin(); level != missing.rend(); ++level) {
    if (::mkdir(level->c_str(), 0700) != 0 && errno != EEXIST) {
      if (failure != nullptr)
        *failure = "cannot create " + level->string() + ": " + std::strerror(errno);
      return false;
    }
  }
  return true;
}

namespace {

void NarrowMode(const std::string& path, bool folder, mode_t wanted,
                std::vector<std::string>* failures) {
  struct stat status {};
  if (::lstat(path.c_str(), &status) != 0) return;
  if (folder ? !S_ISDIR(status.st_mode) : !S_ISREG(status.st_mode)) return;
  if (status.st_uid != ::geteuid() || (status.st_mode & 077) == 0) return;
  if (::chmod(path.c_str(), wanted) != 0 && failures != nullptr)
    failures->push_back("cannot narrow " + path + ": " + std::strerror(errno));
}

void RemoveWriteLeftovers(const std::string& folder, bool recursive,
                          std::vector<std::string>* failures) {
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const fs::path& path = it->path();
    if (it->is_symlink(ec)) continue;
    if (recursive && it->is_directory(ec)) {
      RemoveWriteLeftovers(path.string(), true, failures);
    } else if (it->is_regular_file(ec) && IsAtomicWriteLeftover(path.filename().string())) {
      if (!fs::remove(path, ec) && ec && failures != nullptr)
        failures->push_back("cannot remove " + path.string() + ": " + ec.message());
    }
  }
}

}  // namespace

bool TidyDataFolder(const std::string& dataDir, std::vector<std::string>* failures) {
  std::vector<std::string> failed;
  NarrowMode(dataDir, true, 0700, &failed);
  NarrowMode(ConfigPath(dataDir), false, 0600, &failed);
  // Not the web engine's folder: its files are named by the engine.
  RemoveWriteLeftovers(dataDir, false, &failed);
  RemoveWriteLeftovers(AppFolderPath(dataDir), true, &failed);
  if (failures != nullptr) failures->insert(failures->end(), failed.begin(), failed.end());
  return failed.empty();
}

bool CopyDirectory(const std::string& source, const std::string& target) {
  std::error_code ec;
  if (!fs::is_directory(source, ec)) return false;
  fs::create_directory(target, ec);
  bool ok = !ec;
  // File by file rather than fs::copy, so that an interrupted update never
  // leaves a half-written page or style sheet in the data folder.
  fs::recursive_directory_iterator it(source, fs::directory_options::follow_directory_symlink, ec);
  if (ec) return false;
  for (const fs::recursive_directory_iterator end; it != end; it.increment(ec)) {
    if (ec) return false;
    const fs::path relative = it->path().lexically_relative(source);
    const std::string destination = (fs::path(target) / relative).string();
    if (it->is_directory(ec)) {
      fs::create_directory(destination, ec);
      if (ec) ok = false;
    } else if (it->is_regular_file(ec)) {
      try {
        WriteFileAtomically(destination, ReadFileBytes(it->path().string()));
      } catch (const IoError&) {
        ok = false;
      }
    }
  }
  return ok && !ec;
}

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
  if (!fs::exists(userPath, ec)) {
    try {
      WriteFileAtomically(userPath, shipped, 0600, true);
    } catch (const IoError&) {
      return false;
    }
    return true;
  }
  AppConfig merged = ReadAppConfig(userPath);
  merged.serverUrl = TextReader(shipped).ReadLine();
  return WriteAppConfig(userPath, merged);
}

}  // namespace

bool RunSetup(const std::string& exeDir, const std::string& dataDir,
              std::vector<std::string>* failures) {
  std::vector<std::string> failed;
  // A fresh account may lack ~/.local/share itself; the base-directory
  // convention creates every missing level private to the user.
  std::string notCreated;
  if (!CreatePrivateFolders(dataDir, &notCreated)) failed.push_back(notCreated);
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
