#include "failure_log.h"

#include <wx/arrstr.h>
#include <wx/log.h>

#include <cstdlib>
#include <cstring>

#include "platform/wx_text.h"

namespace zovaz {

void SetUpFailureLog(const wxArrayString& commandLine) {
  bool verbose = commandLine.Index("--verbose") != wxNOT_FOUND;
  const char* fromEnvironment = std::getenv("ZOVAZ_VERBOSE");
  verbose |= fromEnvironment != nullptr && std::strcmp(fromEnvironment, "1") == 0;
  // The toolkit's default target would pop a modal box for each entry.
  delete wxLog::SetActiveTarget(new wxLogStderr);
  wxLog::SetVerbose(verbose);
}

void LogFailure(const std::string& what) { wxLogVerbose("%s", Wx(what)); }

}  // namespace zovaz
