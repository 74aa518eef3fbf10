// The POSIX half of data_folder.h: private folders, the tidy and the copy,
// none of which ever follows a link.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

#include "core/data_folder.h"
#include "core/io_error.h"
#include "core/text_file.h"

namespace fs = std::filesystem;

namespace zovaz {

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

// Deep enough for any tree the client makes; a deeper one is not its own.
constexpr int kMaxDepth = 32;

bool OwnedByUser(const struct stat& status) { return status.st_uid == ::geteuid(); }

// Walks a folder through descriptors, never through a link: a link put in
// place of a folder (or a file) is left alone and nothing behind it is
// touched. Everything of the user's that others may reach is narrowed to the
// user alone; where `removeLeftovers`, the temporary files of interrupted
// writes are removed, in `recursive` folders below too.
void TidyFolder(int folder, const std::string& path, bool removeLeftovers, bool recursive,
                int depth, std::vector<std::string>& failures) {
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
      if (::unlinkat(folder, name.c_str(), 0) != 0)
        failures.push_back("cannot remove " + path + "/" + name + ": " + std::strerror(errno));
      continue;
    }
    if ((status.st_mode & 077) != 0 &&
        ::fchmodat(folder, name.c_str(), status.st_mode & 07700, AT_SYMLINK_NOFOLLOW) != 0)
      failures.push_back("cannot narrow " + path + "/" + name + ": " + std::strerror(errno));
    if (S_ISDIR(status.st_mode) && depth < kMaxDepth) {
      const int child =
          ::openat(folder, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      if (child >= 0)
        TidyFolder(child, path + "/" + name, removeLeftovers && recursive, recursive, depth + 1,
                   failures);
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

bool TidyDataFolder(const std::string& dataDir, std::vector<std::string>* failures) {
  std::vector<std::string> failed;
  const int folder = ::open(dataDir.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  // No folder yet is the first start, nothing to tidy.
  if (folder < 0) {
    if (errno != ENOENT) failed.push_back("cannot open " + dataDir + ": " + std::strerror(errno));
  } else {
    struct stat status {};
    if (::fstat(folder, &status) != 0 || !OwnedByUser(status)) {
      failed.push_back(dataDir + " is not the user's own folder");
      ::close(folder);
    } else {
      if ((status.st_mode & 077) != 0 && ::fchmod(folder, status.st_mode & 07700) != 0)
        failed.push_back("cannot narrow " + dataDir + ": " + std::strerror(errno));
      // Leftovers in the folder itself and anywhere in __app; the web engine's
      // folder only has its modes narrowed, its files are named by the engine.
      const int app = ::openat(folder, "__app", O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      TidyFolder(folder, dataDir, true, false, 0, failed);
      if (app >= 0) TidyFolder(app, dataDir + "/__app", true, true, 1, failed);
    }
  }
  if (failures != nullptr) failures->insert(failures->end(), failed.begin(), failed.end());
  return failed.empty();
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

}  // namespace zovaz
