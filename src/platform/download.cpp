#include "platform/download.h"

#include <algorithm>
#include <curl/curl.h>
#include <gio/gio.h>
#include <memory>

#include "core/text_file.h"
#include "platform/shell.h"

namespace zovaz {

namespace {

struct CurlGlobal {
  CurlGlobal() { curl_global_init(CURL_GLOBAL_DEFAULT); }
  ~CurlGlobal() { curl_global_cleanup(); }
};

size_t AppendBody(char* data, size_t size, size_t count, void* body) {
  static_cast<std::string*>(body)->append(data, size * count);
  return size * count;
}

std::string AgentName() {
  const std::string exe = ExecutablePath();
  const size_t slash = exe.rfind('/');
  return slash == std::string::npos ? exe : exe.substr(slash + 1);
}

// The proxy the desktop configures for `url`, as the web view resolves it;
// "" for a direct connection, in which case curl's own reading of
// http_proxy, https_proxy and no_proxy applies.
std::string DesktopProxyFor(const std::string& url) {
  GProxyResolver* resolver = g_proxy_resolver_get_default();
  if (resolver == nullptr) return {};
  gchar** proxies = g_proxy_resolver_lookup(resolver, url.c_str(), nullptr, nullptr);
  std::string proxy;
  if (proxies != nullptr && proxies[0] != nullptr && g_strcmp0(proxies[0], "direct://") != 0)
    proxy = proxies[0];
  g_strfreev(proxies);
  // GIO's "socks://" means any SOCKS version, tried newest first; curl would
  // read it as SOCKS4 only.
  if (proxy.rfind("socks://", 0) == 0) proxy.replace(0, 5, "socks5");
  return proxy;
}

}  // namespace

bool DownloadFile(const std::string& url, const std::string& path, const DownloadOptions& options) {
  static CurlGlobal global;
  std::unique_ptr<CURL, void (*)(CURL*)> curl(curl_easy_init(), curl_easy_cleanup);
  if (!curl) return false;

  std::string body;
  const std::string agent = AgentName();
  curl_easy_setopt(curl.get(), CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl.get(), CURLOPT_USERAGENT, agent.c_str());
  curl_easy_setopt(curl.get(), CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(curl.get(), CURLOPT_MAXREDIRS, 10L);
  curl_easy_setopt(curl.get(), CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl.get(), CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl.get(), CURLOPT_NOSIGNAL, 1L);
  // These are curl's defaults; stated so that no later edit loosens them.
  curl_easy_setopt(curl.get(), CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(curl.get(), CURLOPT_SSL_VERIFYHOST, 2L);
  curl_easy_setopt(curl.get(), CURLOPT_CONNECTTIMEOUT_MS, options.connectTimeoutMs);
  // Abandon a transfer that stalls: under one byte a second for the whole
  // stall window. curl counts this window in whole seconds.
  curl_easy_setopt(curl.get(), CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(curl.get(), CURLOPT_LOW_SPEED_TIME,
                   std::max(1L, (options.stallTimeoutMs + 999) / 1000));
  curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, &AppendBody);
  curl_easy_setopt(curl.get(), CURLOPT_WRITEDATA, &body);
  const std::string proxy = DesktopProxyFor(url);
  if (!proxy.empty()) curl_easy_setopt(curl.get(), CURLOPT_PROXY, proxy.c_str());

  // Anything short of a whole body (refused, reset, timed out, shorter than
  // its Content-Length) is a failed download and touches no file.
  if (curl_easy_perform(curl.get()) != CURLE_OK) return false;
  long status = 0;
  curl_easy_getinfo(curl.get(), CURLINFO_RESPONSE_CODE, &status);
  if (options.requireSuccessStatus && (status < 200 || status > 299)) return false;
  curl.reset();

  WriteFileAtomically(path, body);
  return true;
}

}  // namespace zovaz
