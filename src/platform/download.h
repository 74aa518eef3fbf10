// One HTTP GET into a file: the client's only HTTP client code.
#pragma once

#include <atomic>
#include <functional>
#include <string>

#include "core/time_limits.h"

namespace zovaz {

struct DownloadOptions {
  // No download may freeze the window without end (see time_limits.h).
  long connectTimeoutMs = kConnectTimeoutMs;
  long stallTimeoutMs = kStallTimeoutMs;  // a transfer that receives nothing this long is abandoned
  long overallTimeoutMs = kDownloadDeadlineMs;
  // Set from another thread, it ends the transfer as a failed download.
  const std::atomic<bool>* cancel = nullptr;  // not owned
  // Only a 2xx answer counts; otherwise the target is left as it was.
  bool requireSuccessStatus = false;
  // When set, only a body it accepts counts; otherwise the target is left as
  // it was. It runs on the thread that downloads.
  std::function<bool(const std::string& body)> acceptBody;
};

// Fetches `url` and replaces `path` with the body, atomically. False, with
// `path` untouched, when the address cannot be opened or the transfer
// breaks off (reset, time-out, cancel, a body shorter than announced, a
// content encoding that cannot be decoded), when `requireSuccessStatus` is
// set and the status is not 2xx, or when `acceptBody` refuses the body. Every
// encoding curl can decode is asked for and decoded. Throws IoError
// when the target cannot be written. The User-Agent is the executable's
// file name; proxies are the desktop's, as the browser view uses them.
bool DownloadFile(const std::string& url, const std::string& path,
                  const DownloadOptions& options = {});

}  // namespace zovaz
