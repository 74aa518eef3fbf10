#include "platform/windows/unsupported.h"

#include <wx/log.h>

#include <set>
#include <string>

namespace zovaz {

void LogUnsupportedOnce(const char* what) {
  static std::set<std::string> told;
  if (told.insert(what).second) wxLogVerbose("not available with this web view: %s", what);
}

}  // namespace zovaz
