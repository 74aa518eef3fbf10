#include "platform/web_data.h"

#include "platform/windows/unsupported.h"

namespace zovaz {

// The engine keeps cookies and site data between runs in the user's own
// profile, which other users cannot read; they cannot be moved into the
// data folder, but they are kept as privately.
bool KeepCookiesIn(void*, const std::string&) {
  LogUnsupportedOnce("cookies in the data folder (the engine's own store is used)");
  return true;
}

bool RestrictSiteDataFolders(void*, std::string*) { return true; }

}  // namespace zovaz
