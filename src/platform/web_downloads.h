// Files the shop sends as downloads: ask the user where to save, write under
// a temporary name beside the target, and put the file in place only whole.
#pragma once

#include <functional>
#include <set>
#include <string>

namespace zovaz {

// Where a save dialog starts: $XDG_DOWNLOAD_DIR when set and absolute, else
// the desktop's download folder from user-dirs.dirs, else ~/Downloads.
std::string DefaultDownloadFolder();

// A file name from the server's suggestion that cannot leave the chosen
// folder: its last path component, never empty, "." or "..".
std::string SafeDownloadName(const std::string& suggested);

struct DownloadOutcome {
  std::string address;  // where the file came from
  std::string path;     // where the user chose to save it; "" when cancelled
  bool saved = false;   // true only when `path` now holds the whole file
};

class WebDownloads {
 public:
  // Asks where to save: gets the suggested file name and the folder to start
  // in, returns the chosen path, or "" to cancel.
  using Chooser =
      std::function<std::string(const std::string& fileName, const std::string& folder)>;

  // Takes over the downloads that `nativeView` (a WebKitWebView) starts.
  explicit WebDownloads(void* nativeView);
  // Downloads still running are cancelled and leave nothing behind.
  ~WebDownloads();
  WebDownloads(const WebDownloads&) = delete;
  WebDownloads& operator=(const WebDownloads&) = delete;

  // Without a chooser every download is cancelled.
  void SetChooser(Chooser chooser) { chooser_ = std::move(chooser); }
  // Told once per download when it has ended, however it ended.
  void OnFinished(std::function<void(const DownloadOutcome&)> handler) {
    finished_ = std::move(handler);
  }

 private:
  struct Transfer;
  static void HandleStarted(void* context, void* download, void* self);
  static int HandleDecideDestination(void* download, const char* suggested, void* transfer);
  static void HandleFailed(void* download, void* error, void* transfer);
  static void HandleFinished(void* download, void* transfer);
  bool Begin(Transfer& transfer, const std::string& suggested);
  void End(void* download, DownloadOutcome outcome);

  void* view_;
  void* context_;
  std::set<void*> running_;  // downloads of ours not yet finished, each referenced
  Chooser chooser_;
  std::function<void(const DownloadOutcome&)> finished_;
};

}  // namespace zovaz
