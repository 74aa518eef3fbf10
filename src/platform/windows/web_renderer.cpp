#include "platform/web_renderer.h"

namespace zovaz {

// The engine draws as the system does; there is nothing to choose.
std::vector<std::string> WebRendererChoice() { return {}; }
void ChooseWebRenderer() {}
// Programs are started with the client's own environment, unchanged.
char** EnvironmentForOtherPrograms() { return nullptr; }

}  // namespace zovaz
