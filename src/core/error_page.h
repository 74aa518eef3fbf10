// The client's own page for a navigation that failed, and the words of the
// download notices: pure text, shown by the main window.
#pragma once

#include <cstdint>
#include <string>

namespace zovaz {

// The error page's links lead here; the browser view takes them over
// instead of navigating.
inline constexpr const char* kRetryAction = "zovaz-action:retry";
inline constexpr const char* kHomeAction = "zovaz-action:home";

struct ErrorPageTexts {
  std::string heading;      // names the shop as unreachable
  std::string explanation;  // what the user can do
  std::string retry;        // the link that loads the same address again
  std::string home;         // the link to the local start page
};

// What of a failed address the page shows: scheme, host and port only. The
// rest may hold the user name and password digest of a login.
std::string ShownPartOfAddress(const std::string& address);

// A whole HTML document naming the shop at `address` as unreachable.
std::string ErrorPageHtml(const ErrorPageTexts& texts, const std::string& address);

// "<verb> <name>: 45 %", or "<verb> <name>: 120 kB" when the size is not
// known (total 0).
std::string DownloadProgressText(const std::string& verb, const std::string& name,
                                 uint64_t received, uint64_t total);

}  // namespace zovaz
