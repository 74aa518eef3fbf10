// Failures the customer is not shown, written to standard error for whoever
// supports them: silent by default, every entry with --verbose or
// ZOVAZ_VERBOSE=1.
#pragma once

#include <string>

class wxArrayString;

namespace zovaz {

// Sends the program's log to standard error (never to a message box) and
// turns the entries below on when asked for on the command line or in the
// environment.
void SetUpFailureLog(const wxArrayString& commandLine);

// One line naming what did not happen and why.
void LogFailure(const std::string& what);

}  // namespace zovaz
