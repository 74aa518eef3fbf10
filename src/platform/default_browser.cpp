#include "platform/default_browser.h"

#include <gio/gio.h>

namespace zovaz {

bool OpenInDefaultBrowser(const std::string& url) {
  GAppInfo* handler = g_app_info_get_default_for_uri_scheme("http");
  if (handler == nullptr) return false;
  // Only the handler's program is used, with the address as its sole
  // argument; the rest of its registered command line is not.
  const char* program = g_app_info_get_executable(handler);
  if (program != nullptr && program[0] != '\0') {
    gchar* argv[] = {const_cast<gchar*>(program), const_cast<gchar*>(url.c_str()), nullptr};
    g_spawn_async(nullptr, argv, nullptr, G_SPAWN_SEARCH_PATH, nullptr, nullptr, nullptr, nullptr);
  }
  g_object_unref(handler);
  return true;
}

}  // namespace zovaz
