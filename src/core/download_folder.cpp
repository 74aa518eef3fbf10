#include "core/download_folder.h"

#include <filesystem>

namespace zovaz {

namespace {

std::string Normal(const std::string& path) {
  std::string normal = std::filesystem::path(path).lexically_normal().string();
  while (normal.size() > 1 && normal.back() == '/') normal.pop_back();
  return normal;
}

}  // namespace

std::string DownloadFolderFor(const DesktopFolders& folders,
                              const std::function<bool(const std::string&)>& isFolder) {
  const std::string home = folders.home.empty() ? "" : Normal(folders.home);
  for (const std::string& named : {folders.fromEnvironment, folders.fromSettings}) {
    if (named.empty() || named.front() != '/') continue;
    if (const std::string folder = Normal(named); folder != home && folder != "/") return folder;
  }
  if (home.empty() || home.front() != '/') return "";
  const std::string base = home == "/" ? "" : home;
  const std::string czech = base + "/Stažené";
  const std::string english = base + "/Downloads";
  if (isFolder(czech)) return czech;
  if (isFolder(english)) return english;
  return folders.language.rfind("cs", 0) == 0 ? czech : english;
}

}  // namespace zovaz
