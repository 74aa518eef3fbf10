// How the web engine draws the client's pages, chosen for this process
// before the engine starts.
#pragma once

#include <string>
#include <vector>

namespace zovaz {

// The engine's drawing settings the client picks, NAME=VALUE.
std::vector<std::string> WebRendererChoice();

// Puts the client's choice into this process's environment, where the
// engine reads it when its first view is made; a variable the user has set
// already is left as it is. Call before the first browser view.
void ChooseWebRenderer();

// This process's environment without what ChooseWebRenderer added, for
// programs the client starts on the user's behalf (g_strfreev it).
char** EnvironmentForOtherPrograms();

}  // namespace zovaz
