#include "platform/default_browser.h"

#include <gio/gio.h>

#include "platform/web_renderer.h"

namespace zovaz {

namespace {

// One word of a desktop command line with its field codes expanded; false
// when the word consisted of dropped field codes only and is left out.
bool ExpandWord(const std::string& word, const std::string& url, bool& urlPlaced,
                std::string& expanded) {
  expanded.clear();
  bool keep = word.empty();
  for (std::size_t i = 0; i < word.size(); ++i) {
    if (word[i] != '%' || i + 1 == word.size()) {
      expanded += word[i];
      keep = true;
      continue;
    }
    const char code = word[++i];
    if (code == '%') {
      expanded += '%';
      keep = true;
    } else if ((code == 'u' || code == 'U' || code == 'f' || code == 'F') && !urlPlaced) {
      expanded += url;
      urlPlaced = true;
      keep = true;
    }
    // A second address placeholder, and the icon, name, desktop-file and
    // deprecated codes, carry nothing a browser needs to open one address.
  }
  return keep;
}

}  // namespace

std::vector<std::string> HandlerArguments(const std::string& exec, const std::string& url) {
  gchar** words = nullptr;
  if (!g_shell_parse_argv(exec.c_str(), nullptr, &words, nullptr)) return {};
  std::vector<std::string> arguments;
  bool urlPlaced = false;
  std::string expanded;
  for (gchar** word = words; *word != nullptr; ++word) {
    if (ExpandWord(*word, url, urlPlaced, expanded)) arguments.push_back(expanded);
  }
  g_strfreev(words);
  if (arguments.empty()) return {};
  // A handler registered without a placeholder still gets the address.
  if (!urlPlaced) arguments.push_back(url);
  return arguments;
}

namespace {

// Starts `handler` (whose reference it takes) with `target` in place of its
// placeholder.
bool Start(GAppInfo* handler, const std::string& target) {
  if (handler == nullptr) return false;
  // Started here rather than through g_app_info_launch_uris, which drops the
  // address when the command has no placeholder and mangles it when the
  // placeholder is quoted.
  const char* commandLine = g_app_info_get_commandline(handler);
  const std::vector<std::string> arguments =
      HandlerArguments(commandLine != nullptr ? commandLine : "", target);
  g_object_unref(handler);
  if (arguments.empty()) return false;

  std::vector<gchar*> argv;
  for (const auto& argument : arguments) argv.push_back(const_cast<gchar*>(argument.c_str()));
  argv.push_back(nullptr);
  // Without G_SPAWN_DO_NOT_REAP_CHILD glib detaches the browser, so it
  // outlives this program and leaves no zombie behind.
  // The browser draws as the user set it up, not as the client chose for itself.
  gchar** environment = EnvironmentForOtherPrograms();
  const bool started =
      g_spawn_async(nullptr, argv.data(), environment,
                    static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | G_SPAWN_STDIN_FROM_DEV_NULL),
                    nullptr, nullptr, nullptr, nullptr) != FALSE;
  g_strfreev(environment);
  return started;
}

}  // namespace

bool OpenInDefaultBrowser(const std::string& url) {
  return Start(g_app_info_get_default_for_uri_scheme("http"), url);
}

bool OpenWithDesktop(const std::string& path) {
  GFile* file = g_file_new_for_path(path.c_str());
  GFileInfo* info = g_file_query_info(file, G_FILE_ATTRIBUTE_STANDARD_CONTENT_TYPE,
                                      G_FILE_QUERY_INFO_NONE, nullptr, nullptr);
  const char* type = info != nullptr ? g_file_info_get_content_type(info) : nullptr;
  GAppInfo* handler = type != nullptr ? g_app_info_get_default_for_type(type, FALSE) : nullptr;
  // One that takes only addresses gets the file's; a path is what most take.
  std::string target = path;
  if (handler != nullptr && g_app_info_supports_uris(handler) &&
      !g_app_info_supports_files(handler)) {
    gchar* uri = g_file_get_uri(file);
    target = uri;
    g_free(uri);
  }
  if (info != nullptr) g_object_unref(info);
  g_object_unref(file);
  return Start(handler, target);
}

}  // namespace zovaz
