#include "platform/web_renderer.h"

#include <glib.h>

#include <cstdlib>

namespace zovaz {

namespace {

// Names this process set itself, so that they do not reach other programs.
std::vector<std::string>& AddedNames() {
  static std::vector<std::string> names;
  return names;
}

}  // namespace

std::vector<std::string> WebRendererChoice() {
  // Measured on the shop's pages in this fixed-size window: the engine's
  // shared-buffer renderer made the page appear later and doubled the web
  // process's memory, for nothing these static pages show.
  return {"WEBKIT_DISABLE_DMABUF_RENDERER=1"};
}

void ChooseWebRenderer() {
  for (const std::string& pair : WebRendererChoice()) {
    const std::string name = pair.substr(0, pair.find('='));
    if (std::getenv(name.c_str()) != nullptr) continue;
    setenv(name.c_str(), pair.substr(name.size() + 1).c_str(), 0);
    AddedNames().push_back(name);
  }
}

char** EnvironmentForOtherPrograms() {
  char** environment = g_get_environ();
  for (const std::string& name : AddedNames())
    environment = g_environ_unsetenv(environment, name.c_str());
  return environment;
}

}  // namespace zovaz
