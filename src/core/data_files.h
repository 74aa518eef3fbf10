// Every file and folder the client keeps in the per-user data folder, named
// once. Whoever needs one asks here; no other file spells a name of them.
#pragma once

#include <string>

namespace zovaz {

// LocalAppData + "/Marlevo": the data folder itself.
std::string DataDirOf(const std::string& localAppData);

// The setup version the folder was last filled for.
std::string VersionMarkerPath(const std::string& dataDir);
// The four lines of settings.
std::string ConfigPath(const std::string& dataDir);
// The zoom level kept between runs; apart from the configuration, whose
// lines are fixed.
std::string ZoomStatePath(const std::string& dataDir);

// The local web content, copied from beside the executable.
std::string AppFolderPath(const std::string& dataDir);  // DataDir + "/__app"
// The offline start page: the shop's logged-out page rewritten to the local
// content (the window's LocalPage, built by BuildLocalIndex). The copy
// shipped beside the executable has the same name under the executable's
// folder, and is shown until the data folder has its own.
std::string LocalPagePath(const std::string& dataDir);
std::string ShippedStartPagePath(const std::string& exeDir);
// The shop's logged-out page as downloaded, before the rewrite.
std::string RawStartPagePath(const std::string& dataDir);
// Where the connectivity probe is downloaded to; only its success counts.
std::string ProbeTargetPath(const std::string& dataDir);
// The fetched copy of the shop's style sheet the offline page links to.
std::string StyleSheetPath(const std::string& dataDir);
// The image of the loading notice, shipped in the local content.
std::string ClockImagePath(const std::string& dataDir);

// The web engine's lasting data (cookies) and the cookie store in it.
std::string WebDataFolder(const std::string& dataDir);
std::string CookieStorePath(const std::string& webDataFolder);

// Beside the data folder, not in it: the lock that keeps a second client off
// the folder, and the socket a second start hands its request over by.
std::string InstanceLockPath(const std::string& dataDir);
std::string InstanceChannelPath(const std::string& dataDir);

}  // namespace zovaz
