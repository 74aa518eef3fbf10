#include "core/data_files.h"

#include "core/native_path.h"

namespace zovaz {

namespace {
const std::string kSep(1, kPathSeparator);
}  // namespace

std::string DataDirOf(const std::string& localAppData) { return localAppData + kSep + "Marlevo"; }

std::string VersionMarkerPath(const std::string& dataDir) { return dataDir + kSep + "version.nfo"; }
std::string ConfigPath(const std::string& dataDir) { return dataDir + kSep + "app.cfg"; }
std::string ZoomStatePath(const std::string& dataDir) { return dataDir + kSep + "zoom.txt"; }

std::string AppFolderPath(const std::string& dataDir) { return dataDir + kSep + "__app"; }
std::string LocalPagePath(const std::string& dataDir) {
  return AppFolderPath(dataDir) + kSep + "lilindex.html";
}
std::string ShippedStartPagePath(const std::string& exeDir) { return LocalPagePath(exeDir); }
std::string RawStartPagePath(const std::string& dataDir) {
  return AppFolderPath(dataDir) + kSep + "b.tmp";
}
std::string ProbeTargetPath(const std::string& dataDir) {
  return AppFolderPath(dataDir) + kSep + "a.tmp";
}
std::string StyleSheetPath(const std::string& dataDir) {
  return AppFolderPath(dataDir) + kSep + "assets" + kSep + "styles" + kSep + "mainCompact.css";
}
std::string ClockImagePath(const std::string& dataDir) {
  return AppFolderPath(dataDir) + kSep + "assets" + kSep + "images" + kSep + "clock.png";
}

std::string WebDataFolder(const std::string& dataDir) { return dataDir + kSep + "web"; }
std::string CookieStorePath(const std::string& webDataFolder) {
  return webDataFolder + kSep + "cookies.sqlite";
}

std::string InstanceLockPath(const std::string& dataDir) { return dataDir + ".lock"; }
std::string InstanceChannelPath(const std::string& dataDir) { return dataDir + ".channel"; }

}  // namespace zovaz
