#include "platform/web_downloads.h"

// clang-format off
#include <windows.h>
#include <shlobj.h>
#include <knownfolders.h>
// clang-format on

#include "core/windows/wide.h"
#include "platform/windows/unsupported.h"

namespace zovaz {

std::string DefaultDownloadFolder() {
  PWSTR folder = nullptr;
  std::string path;
  if (SUCCEEDED(::SHGetKnownFolderPath(FOLDERID_Downloads, 0, nullptr, &folder)))
    path = Narrow(folder);
  ::CoTaskMemFree(folder);
  return path;
}

std::string SafeDownloadName(const std::string& suggested) {
  std::string name = suggested.substr(suggested.find_last_of("/\\") + 1);
  if (name.empty() || name == "." || name == "..") return "download";
  return name;
}

// The engine asks where to save with its own dialog and writes the file
// itself; the client is not told of its downloads.
WebDownloads::WebDownloads(void* nativeView) : view_(nativeView), context_(nullptr) {
  LogUnsupportedOnce("the client's own download handling");
}

WebDownloads::~WebDownloads() = default;

}  // namespace zovaz
