// Files the shop sends as downloads: ask the user where to save, write under
// a temporary name beside the target, report progress, and put the file in
// place only whole: every announced byte received, and no transfer error.
#pragma once

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace zovaz {

// Where a save dialog starts: the desktop's download folder as
// DownloadFolderFor (core/download_folder.h) finds it from $XDG_DOWNLOAD_DIR,
// user-dirs.dirs (read anew each time), the home folder and $LANG. The
// save dialog makes it when it is missing.
std::string DefaultDownloadFolder();

// A file name from the server's suggestion that cannot leave the chosen
// folder: its last path component, never empty, "." or "..".
std::string SafeDownloadName(const std::string& suggested);

struct DownloadOutcome {
  std::string address;  // where the file came from
  std::string path;     // where the user chose to save it; "" when cancelled
  bool saved = false;   // true only when `path` now holds the whole file
};

struct DownloadProgress {
  std::string path;   // where it will be saved
  uint64_t received;  // bytes so far
  uint64_t total;     // as the server announced it; 0 when it did not
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
  // Each handler added is told once per download when it has ended,
  // however it ended.
  void OnFinished(std::function<void(const DownloadOutcome&)> handler) {
    finished_.push_back(std::move(handler));
  }
  // Told as the bytes of a download being saved arrive.
  void OnProgress(std::function<void(const DownloadProgress&)> handler) {
    progress_ = std::move(handler);
  }

 private:
  struct Transfer;
  static void HandleStarted(void* context, void* download, void* self);
  static int HandleDecideDestination(void* download, const char* suggested, void* transfer);
  static void HandleFailed(void* download, void* error, void* transfer);
  static void HandleFinished(void* download, void* transfer);
  static void HandleReceived(void* download, uint64_t length, void* transfer);
  bool Begin(Transfer& transfer, const std::string& suggested);
  void End(void* download, DownloadOutcome outcome);

  void* view_;
  void* context_;
  std::set<void*> running_;  // downloads of ours not yet finished, each referenced
  Chooser chooser_;
  std::vector<std::function<void(const DownloadOutcome&)>> finished_;
  std::function<void(const DownloadProgress&)> progress_;
};

}  // namespace zovaz
