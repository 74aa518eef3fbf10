#include "platform/web_data.h"

#include <fcntl.h>
#include <glib.h>
#include <sys/stat.h>
#include <unistd.h>
#include <webkit2/webkit2.h>

#include <cerrno>
#include <memory>

namespace zovaz {

namespace {

// A folder of ours that only the owner may enter: created 0700, or an
// existing real folder (not a link planted in its place) narrowed to 0700.
bool MakePrivateFolder(const std::string& path) {
  if (mkdir(path.c_str(), 0700) == 0) return true;
  if (errno != EEXIST) return false;
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != geteuid()) {
    return false;
  }
  return (info.st_mode & 07777) == 0700 || chmod(path.c_str(), 0700) == 0;
}

// The engine's database library gives a new file the process's default
// mode and its journals the mode of the database, so the database is
// created here first, owner-only.
bool MakePrivateFile(const std::string& path) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  const bool ok = fchmod(fd, 0600) == 0;
  close(fd);
  return ok;
}

void CachesCleared(GObject* manager, GAsyncResult* result, gpointer data) {
  const std::unique_ptr<std::function<void(bool)>> done(
      static_cast<std::function<void(bool)>*>(data));
  GError* error = nullptr;
  const bool cleared = webkit_website_data_manager_clear_finish(
                           WEBKIT_WEBSITE_DATA_MANAGER(manager), result, &error) != FALSE;
  if (error != nullptr) g_error_free(error);
  (*done)(cleared);
}

}  // namespace

bool KeepCookiesIn(void* nativeView, const std::string& folder) {
  const std::string store = CookieStorePath(folder);
  if (!MakePrivateFolder(folder) || !MakePrivateFile(store)) return false;
  WebKitWebContext* context = webkit_web_view_get_context(WEBKIT_WEB_VIEW(nativeView));
  WebKitCookieManager* cookies = webkit_website_data_manager_get_cookie_manager(
      webkit_web_context_get_website_data_manager(context));
  // The shop's cart and remembered choices are first-party cookies; other
  // sites' trackers have no business in a shop window.
  webkit_cookie_manager_set_accept_policy(cookies, WEBKIT_COOKIE_POLICY_ACCEPT_NO_THIRD_PARTY);
  webkit_cookie_manager_set_persistent_storage(cookies, store.c_str(),
                                               WEBKIT_COOKIE_PERSISTENT_STORAGE_SQLITE);
  return true;
}

bool RestrictSiteDataFolders(void* nativeView, std::string* failure) {
  WebKitWebsiteDataManager* manager = webkit_web_context_get_website_data_manager(
      webkit_web_view_get_context(WEBKIT_WEB_VIEW(nativeView)));
  // The folders are fixed when the engine starts and wxWebView offers no way
  // to start it with others; the getters are deprecated only in favour of
  // that construction-time choice.
  G_GNUC_BEGIN_IGNORE_DEPRECATIONS
  const gchar* localStorage = webkit_website_data_manager_get_local_storage_directory(manager);
  const gchar* cache = webkit_website_data_manager_get_disk_cache_directory(manager);
  G_GNUC_END_IGNORE_DEPRECATIONS
  std::string failed;
  for (const gchar* folder : {localStorage, cache}) {
    if (folder == nullptr || folder[0] != '/') continue;
    // Local storage lies one level below the engine's data folder.
    gchar* root = folder == localStorage ? g_path_get_dirname(folder) : g_strdup(folder);
    gchar* parent = g_path_get_dirname(root);
    if (g_mkdir_with_parents(parent, 0700) != 0 || !MakePrivateFolder(root))
      failed += (failed.empty() ? "" : ", ") + std::string(root);
    g_free(parent);
    g_free(root);
  }
  if (failure != nullptr) *failure = failed;
  return failed.empty();
}

void KeepNoPagesCached(void* nativeView, std::function<void(bool emptied)> done) {
  WebKitWebContext* context = webkit_web_view_get_context(WEBKIT_WEB_VIEW(nativeView));
  // The model that writes no cache records: the engine then stores nothing
  // on disk, not even the records it writes once a page has settled.
  webkit_web_context_set_cache_model(context, WEBKIT_CACHE_MODEL_DOCUMENT_VIEWER);
  const auto caches = static_cast<WebKitWebsiteDataTypes>(WEBKIT_WEBSITE_DATA_DISK_CACHE |
                                                          WEBKIT_WEBSITE_DATA_MEMORY_CACHE);
  // A time span of 0 is everything, however old.
  webkit_website_data_manager_clear(webkit_web_context_get_website_data_manager(context), caches, 0,
                                    nullptr, &CachesCleared,
                                    new std::function<void(bool)>(std::move(done)));
}

}  // namespace zovaz
