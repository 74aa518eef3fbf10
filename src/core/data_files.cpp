#include "core/data_files.h"

namespace zovaz {

std::string DataDirOf(const std::string& localAppData) { return localAppData + "/Marlevo"; }

std::string VersionMarkerPath(const std::string& dataDir) { return dataDir + "/version.nfo"; }
std::string ConfigPath(const std::string& dataDir) { return dataDir + "/app.cfg"; }
std::string ZoomStatePath(const std::string& dataDir) { return dataDir + "/zoom.txt"; }

std::string AppFolderPath(const std::string& dataDir) { return dataDir + "/__app"; }
std::string LocalPagePath(const std::string& dataDir) {
  return AppFolderPath(dataDir) + "/lilindex.html";
}
std::string ShippedStartPagePath(const std::string& exeDir) { return LocalPagePath(exeDir); }
std::string RawStartPagePath(const std::string& dataDir) {
  return AppFolderPath(dataDir) + "/b.tmp";
}
std::string ProbeTargetPath(const std::string& dataDir) {
  return AppFolderPath(dataDir) + "/a.tmp";
}
std::string StyleSheetPath(const std::string& dataDir) {
  return AppFolderPath(dataDir) + "/assets/styles/mainCompact.css";
}
std::string ClockImagePath(const std::string& dataDir) {
  return AppFolderPath(dataDir) + "/assets/images/clock.png";
}

std::string WebDataFolder(const std::string& dataDir) { return dataDir + "/web"; }
std::string CookieStorePath(const std::string& webDataFolder) {
  return webDataFolder + "/cookies.sqlite";
}

std::string InstanceLockPath(const std::string& dataDir) { return dataDir + ".lock"; }
std::string InstanceChannelPath(const std::string& dataDir) { return dataDir + ".channel"; }

}  // namespace zovaz
