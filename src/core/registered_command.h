// The program a registered shell command starts: the Windows registry keeps
// handlers as a command line such as "C:\...\browser.exe" -- "%1".
#pragma once

#include <string>

namespace zovaz {

// The text between the first two double quotes of `command`; "" when it
// has fewer than two. The rest of the command (its own arguments and
// placeholders) is not used.
std::string QuotedProgram(const std::string& command);

}  // namespace zovaz
