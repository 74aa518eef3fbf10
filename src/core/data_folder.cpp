#include "core/data_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
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

std::string DataDirOf(const std::string& localAppData) { return localAppData + "/Marlevo"; }

std::string ExeDirOf(const std::string& exePath) {
  const size_t slash = exePath.rfind('/');
  return slash == std::string::npos ? exePath : exePath.substr(0, slash);
}

std::string VersionMarkerPath(const std::string& dataDir) { return dataDir + "/version.nfo"; }
std::string ConfigPath(const std::string& dataDir) { return dataDir + "/app.cfg"; }
std::string AppFolderPath(const std::string& dataDir) { return dataDir + "/__app"; }
std::string LocalPagePath(const std::string& dataDir) { return dataDir + "/__app/lilindex.html"; }
std::string ShippedStartPagePath(const std::string& exeDir) { return LocalPagePath(exeDir); }
std::string RawStartPagePath(const std::string& dataDir) { return dataDir + "/__app/b.tmp"; }
std::string ProbeTargetPath(const std::string& dataDir) { return dataDir + "/__app/a.tmp"; }
std::string ZoomStatePath(const std::string& dataDir) { return dataDir + "/zoom.txt"; }
std::string StyleSheetPath(const std::string& dataDir) {
  return dataDir + "/__app/assets/styles/mainCompact.css";
}

std::string InstalledVersion(const std::string& dataDir) {
  try {
    return TextReader(ReadFileBytes(VersionMarkerPath(dataDir))).ReadLine();
  } catch (const IoError&) {
    return {};
  }
}

bool SetupNeeded(const std::string& dataDir) { return InstalledVersion(dataDir) != kSetupVersion; }

void CreatePrivateFolders(const std::string& folder) {
  std::vector<fs::path> missing;
  std::error_code ec;
  for (fs::path level = folder;
       !level.empty() && !fs::exists(level, ec) && level != level.parent_path();
       level = level.parent_path()) {
    missing.push_back(level);
  }
  for (auto level = missing.rbegin(); level != missing.rend(); ++level)
    ::mkdir(level->c_str(), 0700);
}

namespace {

// Deep enough for any tree the client makes; a deeper one is not its own.
constexpr int kMaxDepth = 32;

bool OwnedByUser(const struct stat& status) { return status.st_uid == ::geteuid(); }

// Walks a folder through descriptors, never through a link: a link put in
// place of a folder (or a file) is left alone and nothing behind it is
// touched. Everything of the user's that others may reach is narrowed to the
// user alone; where `removeLeftovers`, the temporary files of interrupted
// writes are removed, in `recursive` folders below too.
void TidyFolder(int folder, bool removeLeftovers, bool recursive, int depth) {
  DIR* listing = ::fdopendir(folder);
  if (listing == nullptr) {
    ::close(folder);
    return;
  }
  while (const dirent* entry = ::readdir(listing)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    struct stat status {};
    if (::fstatat(folder, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (!OwnedByUser(status) || !(S_ISDIR(status.st_mode) || S_ISREG(status.st_mode))) continue;
    if (S_ISREG(status.st_mode) && removeLeftovers && IsAtomicWriteLeftover(name)) {
      ::unlinkat(folder, name.c_str(), 0);
      continue;
    }
    if ((status.st_mode & 077) != 0)
      ::fchmodat(folder, name.c_str(), status.st_mode & 07700, AT_SYMLINK_NOFOLLOW);
    if (S_ISDIR(status.st_mode) && depth < kMaxDepth) {
      const int child =
          ::openat(folder, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      if (child >= 0) TidyFolder(child, removeLeftovers && recursive, recursive, depth + 1);
    }
  }
  ::closedir(listing);
}

}  // namespace

bool BelongsToOthers(const std::string& path) {
  struct stat status {};
  if (::lstat(path.c_str(), &status) != 0) return errno != ENOENT;
  if (!OwnedByUser(status)) return true;
  if (!S_ISLNK(status.st_mode)) return false;
  // The user's own link counts only when what it leads to is the user's too.
  return ::stat(path.c_str(), &status) == 0 && !OwnedByUser(status);
}

void TidyDataFolder(const std::string& dataDir) {
  const int folder = ::open(dataDir.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (folder < 0) return;
  struct stat status {};
  if (::fstat(folder, &status) != 0 || !OwnedByUser(status)) {
    ::close(folder);
    return;
  }
  if ((status.st_mode & 077) != 0) ::fchmod(folder, status.st_mode & 07700);
  // Leftovers in the folder itself and anywhere in __app; the web engine's
  // folder only has its modes narrowed, its files are named by the engine.
  const int app = ::openat(folder, "__app", O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  TidyFolder(folder, true, false, 0);
  if (app >= 0) TidyFolder(app, true, true, 1);
}

namespace {

// Copies `source` into the real folder `target`, creating it private when
// missing. Links are never followed on either side: a link in the shipped
// content is not copied, and a link in the data folder is neither written
// through nor replaced; both count as a failure.
bool CopyTree(const fs::path& source, const fs::path& target, int depth) {
  if (::mkdir(target.c_str(), 0700) != 0 && errno != EEXIST) return false;
  struct stat status {};
  if (::lstat(target.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) return false;
  std::error_code ec;
  fs::directory_iterator it(source, ec);
  if (ec) return false;
  bool ok = true;
  for (const fs::directory_iterator end; it != end; it.increment(ec)) {
    if (ec) return false;
    const fs::file_status kind = it->symlink_status(ec);
    const fs::path destination = target / it->path().filename();
    if (fs::is_directory(kind)) {
      ok = depth < kMaxDepth && CopyTree(it->path(), destination, depth + 1) && ok;
    } else if (fs::is_regular_file(kind)) {
      const bool replaceable = ::lstat(destination.c_str(), &status) != 0
                                   ? errno == ENOENT
                                   : S_ISREG(status.st_mode) && OwnedByUser(status);
      if (!replaceable) {
        ok = false;
        continue;
      }
      // File by file, so that an interrupted update never leaves a
      // half-written page or style sheet in the data folder.
      try {
        WriteFileAtomically(destination.string(), ReadFileBytes(it->path().string()), 0600);
      } catch (const IoError&) {
        ok = false;
      }
    } else {
      ok = false;
    }
  }
  return ok && !ec;
}

}  // namespace

bool CopyDirectory(const std::string& source, const std::string& target) {
  struct stat status {};
  if (::lstat(source.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) return false;
  return CopyTree(source, target, 0);
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
  if (!InstallConfig(exeDir + "/app.cfg", ConfigPath(dataDir)))
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
