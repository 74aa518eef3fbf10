#include "platform/web_downloads.h"

#include <fcntl.h>
#include <glib.h>
#include <sys/stat.h>
#include <unistd.h>
#include <webkit2/webkit2.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "core/download_folder.h"

namespace zovaz {

namespace {

constexpr const char* kTransferKey = "zovaz-transfer";

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// A new, empty file beside `target` that no one else is writing, for the
// download to fill; "" when the folder takes no new file.
std::string ReserveTemporaryFile(const std::string& target) {
  const std::string folder = FolderOf(target);
  const std::string name = target.substr(target.rfind('/') + 1);
  for (int attempt = 0; attempt < 100; ++attempt) {
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "%08x", g_random_int());
    const std::string temp = folder + "/." + name + "." + suffix + ".part";
    // Created with the default mode, as any file the user saves is.
    const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      close(fd);
      return temp;
    }
    if (errno != EEXIST) return "";
  }
  return "";
}

// True when the file written holds as many bytes as the server announced:
// the engine reports a body cut short as finished when the answer (HTTP/1.0)
// ends with the connection.
bool WholeBodyArrived(WebKitDownload* download, const std::string& written) {
  WebKitURIResponse* response = webkit_download_get_response(download);
  const guint64 announced =
      response != nullptr ? webkit_uri_response_get_content_length(response) : 0;
  if (announced == 0) return true;  // nothing announced to hold it to
  // A compressed body is announced at its compressed length and saved
  // decoded.
  SoupMessageHeaders* headers = webkit_uri_response_get_http_headers(response);
  const char* encoding =
      headers != nullptr ? soup_message_headers_get_one(headers, "Content-Encoding") : nullptr;
  if (encoding != nullptr && g_ascii_strcasecmp(encoding, "identity") != 0) return true;
  struct stat file {};
  return stat(written.c_str(), &file) == 0 && static_cast<guint64>(file.st_size) == announced &&
         webkit_download_get_received_data_length(download) == announced;
}

}  // namespace

std::string DefaultDownloadFolder() {
  DesktopFolders desktop;
  if (const char* named = std::getenv("XDG_DOWNLOAD_DIR")) desktop.fromEnvironment = named;
  // Read afresh: the customer may have moved the folder since the last file.
  g_reload_user_special_dirs_cache();
  if (const gchar* named = g_get_user_special_dir(G_USER_DIRECTORY_DOWNLOAD))
    desktop.fromSettings = named;
  desktop.home = g_get_home_dir();
  // The messages' locale is the client's own (Czech); LANG is the desktop's.
  if (const char* language = std::getenv("LANG")) desktop.language = language;
  return DownloadFolderFor(desktop, [](const std::string& path) {
    return g_file_test(path.c_str(), G_FILE_TEST_IS_DIR) != FALSE;
  });
}

std::string SafeDownloadName(const std::string& suggested) {
  std::string name = suggested.substr(suggested.find_last_of("/\\") + 1);
  if (name.empty() || name == "." || name == "..") return "download";
  return name;
}

struct WebDownloads::Transfer {
  WebDownloads* owner;  // null once the owner is gone
  DownloadOutcome outcome;
  std::string temp;
  bool failed = false;
};

WebDownloads::WebDownloads(void* nativeView)
    : view_(nativeView), context_(webkit_web_view_get_context(WEBKIT_WEB_VIEW(nativeView))) {
  g_signal_connect(context_, "download-started", G_CALLBACK(&WebDownloads::HandleStarted), this);
}

WebDownloads::~WebDownloads() {
  g_signal_handlers_disconnect_by_data(context_, this);
  for (void* download : running_) {
    if (auto* transfer =
            static_cast<Transfer*>(g_object_get_data(G_OBJECT(download), kTransferKey)))
      transfer->owner = nullptr;
    webkit_download_cancel(WEBKIT_DOWNLOAD(download));
    g_object_unref(download);
  }
}

void WebDownloads::HandleStarted(void*, void* download, void* self) {
  auto* owner = static_cast<WebDownloads*>(self);
  // The engine is shared by every web view of the process.
  if (webkit_download_get_web_view(WEBKIT_DOWNLOAD(download)) != owner->view_) return;
  auto* transfer = new Transfer{owner, {}, {}};
  WebKitURIRequest* request = webkit_download_get_request(WEBKIT_DOWNLOAD(download));
  if (const gchar* uri = request != nullptr ? webkit_uri_request_get_uri(request) : nullptr)
    transfer->outcome.address = uri;
  g_object_set_data_full(G_OBJECT(download), kTransferKey, transfer,
                         [](gpointer data) { delete static_cast<Transfer*>(data); });
  g_signal_connect(download, "decide-destination",
                   G_CALLBACK(&WebDownloads::HandleDecideDestination), transfer);
  g_signal_connect(download, "failed", G_CALLBACK(&WebDownloads::HandleFailed), transfer);
  g_signal_connect(download, "finished", G_CALLBACK(&WebDownloads::HandleFinished), transfer);
  g_signal_connect(download, "received-data", G_CALLBACK(&WebDownloads::HandleReceived), transfer);
  owner->running_.insert(g_object_ref(download));
}

int WebDownloads::HandleDecideDestination(void* download, const char* suggested, void* data) {
  auto* transfer = static_cast<Transfer*>(data);
  // The question may run a modal loop in which the window closes.
  g_object_ref(download);
  if (transfer->owner == nullptr ||
      !transfer->owner->Begin(*transfer, suggested ? suggested : "")) {
    webkit_download_cancel(WEBKIT_DOWNLOAD(download));
  } else {
    gchar* uri = g_filename_to_uri(transfer->temp.c_str(), nullptr, nullptr);
    // The reserved temporary file exists already and is ours to replace.
    webkit_download_set_allow_overwrite(WEBKIT_DOWNLOAD(download), TRUE);
    webkit_download_set_destination(WEBKIT_DOWNLOAD(download), uri);
    g_free(uri);
  }
  g_object_unref(download);
  return TRUE;
}

bool WebDownloads::Begin(Transfer& transfer, const std::string& suggested) {
  if (!chooser_) return false;
  // Copied: the owner may be gone when the question returns.
  const Chooser chooser = chooser_;
  const std::string folder = DefaultDownloadFolder();
  // A folder the desktop names but has not made yet, as a browser makes it;
  // the dialog would start somewhere unrelated otherwise.
  // A folder that cannot be made costs the customer only the start place.
  if (!folder.empty()) mkdir(folder.c_str(), 0755);
  const std::string path = chooser(SafeDownloadName(suggested), folder);
  if (transfer.owner == nullptr || path.empty() || path.front() != '/') return false;
  transfer.outcome.path = path;
  transfer.temp = ReserveTemporaryFile(path);
  return !transfer.temp.empty();
}

void WebDownloads::HandleFailed(void*, void*, void* data) {
  static_cast<Transfer*>(data)->failed = true;
}

void WebDownloads::HandleReceived(void* download, uint64_t, void* data) {
  auto* transfer = static_cast<Transfer*>(data);
  if (transfer->owner == nullptr || transfer->temp.empty() || !transfer->owner->progress_) return;
  WebKitURIResponse* response = webkit_download_get_response(WEBKIT_DOWNLOAD(download));
  transfer->owner->progress_(
      {transfer->outcome.path, webkit_download_get_received_data_length(WEBKIT_DOWNLOAD(download)),
       response != nullptr ? webkit_uri_response_get_content_length(response) : 0});
}

void WebDownloads::HandleFinished(void* download, void* data) {
  auto* transfer = static_cast<Transfer*>(data);
  const std::string& target = transfer->outcome.path;
  if (!transfer->failed && !transfer->temp.empty() &&
      WholeBodyArrived(WEBKIT_DOWNLOAD(download), transfer->temp)) {
    // A file saved over keeps its permissions, as a file edited in place would.
    struct stat existing {};
    if (stat(target.c_str(), &existing) == 0)
      chmod(transfer->temp.c_str(), existing.st_mode & 07777);
    transfer->outcome.saved = rename(transfer->temp.c_str(), target.c_str()) == 0;
  }
  if (!transfer->outcome.saved && !transfer->temp.empty()) unlink(transfer->temp.c_str());
  transfer->temp.clear();
  if (transfer->owner != nullptr) transfer->owner->End(download, transfer->outcome);
}

void WebDownloads::End(void* download, DownloadOutcome outcome) {
  // The signal being emitted holds a reference of its own, so the transfer
  // the outcome was copied from lives until the emission is over.
  if (running_.erase(download) > 0) g_object_unref(download);
  // Copied: a handler may add another.
  const auto handlers = finished_;
  for (const auto& handler : handlers) handler(outcome);
}

}  // namespace zovaz
