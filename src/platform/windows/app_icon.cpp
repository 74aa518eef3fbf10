#include "platform/app_icon.h"

#include "platform/windows/unsupported.h"

namespace zovaz {

// Windows ties windows to their program by the executable itself, and has
// no start-up notification to complete.
void ClaimDesktopId() {}
void CompleteStartupNotification() {}

std::string AppIconPath(const std::string& exeDir, int size) {
  return exeDir + "\\icons\\" + kDesktopId + "-" + std::to_string(size) + ".png";
}

// The toolkit is built without PNG support for Windows (its image
// libraries are not in the source it is built from): the windows keep the
// system's default icon.
wxIconBundle LoadAppIcons(const std::string&) {
  LogUnsupportedOnce("the window icons");
  return {};
}

}  // namespace zovaz
