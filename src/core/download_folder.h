// Which folder a file the shop sends is offered to go to: the one the
// desktop keeps downloads in, never the bare home folder.
#pragma once

#include <functional>
#include <string>

namespace zovaz {

// What the desktop says about its folders.
struct DesktopFolders {
  std::string fromEnvironment;  // $XDG_DOWNLOAD_DIR
  std::string fromSettings;     // the download folder of user-dirs.dirs
  std::string home;
  std::string language;  // the desktop's locale name, e.g. "cs_CZ.UTF-8"
};

// The first absolute one of `fromEnvironment` and `fromSettings` that is not
// the home folder itself (that is how the desktop says it has none); else
// the home's "Stažené" or "Downloads", whichever `isFolder`, and when
// neither is, the one the desktop's language would name. "" without a home.
std::string DownloadFolderFor(const DesktopFolders& folders,
                              const std::function<bool(const std::string&)>& isFolder);

}  // namespace zovaz
