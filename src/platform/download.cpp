#include "platform/download.h"

#include <curl/curl.h>
#include <gio/gio.h>

#include <chrono>
#include <memory>

#include "core/text_file.h"
#include "platform/shell.h"

namespace zovaz {

namespace {

struct CurlGlobal {
  CurlGlobal() { curl_global_init(CURL_GLOBAL_DEFAULT); }
  ~CurlGlobal() { curl_global_cleanup(); }
};

using Clock = std::chrono::steady_clock;

// Pages, style sheets and probes are small; a server that keeps sending is
// broken, and is not allowed to fill the memory.
constexpr size_t kMaxBodyBytes = 64u << 20;

// What one transfer has received, and when it last received anything.
struct Transfer {
  CURL* curl = nullptr;
  std::string body;
  Clock::time_point lastActivity = Clock::now();
  Clock::duration stallLimit;
  const std::atomic<bool>* cancel = nullptr;
};

size_t AppendBody(char* data, size_t size, size_t count, void* transfer) {
  auto* t = static_cast<Transfer*>(transfer);
  if (t->body.size() + size * count > kMaxBodyBytes) return 0;  // curl fails the transfer
  t->body.append(data, size * count);
  t->lastActivity = Clock::now();
  return size * count;
}

size_t NoteHeader(char*, size_t size, size_t count, void* transfer) {
  static_cast<Transfer*>(transfer)->lastActivity = Clock::now();
  return size * count;
}

// curl's own low-speed limit averages over several seconds, so a body that
// stops after a first burst would live on well past the limit; this
// measures the silence itself. Until the connection stands, the connect
// time-out is the one in charge.
int AbandonWhenStalled(void* transfer, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  auto* t = static_cast<Transfer*>(transfer);
  if (t->cancel != nullptr && t->cancel->load()) return 1;
  const Clock::time_point now = Clock::now();
  curl_off_t connected = 0;
  curl_easy_getinfo(t->curl, CURLINFO_CONNECT_TIME_T, &connected);
  if (connected == 0) t->lastActivity = now;
  return now - t->lastActivity > t->stallLimit ? 1 : 0;
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

  Transfer transfer;
  transfer.curl = curl.get();
  transfer.stallLimit = std::chrono::milliseconds(options.stallTimeoutMs);
  transfer.cancel = options.cancel;
  const std::string agent = AgentName();
  curl_easy_setopt(curl.get(), CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl.get(), CURLOPT_USERAGENT, agent.c_str());
  curl_easy_setopt(curl.get(), CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(curl.get(), CURLOPT_MAXREDIRS, 10L);
  curl_easy_setopt(curl.get(), CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl.get(), CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl.get(), CURLOPT_NOSIGNAL, 1L);
  // A server may compress whatever it is asked for or not; what curl cannot
  // decode then fails the transfer instead of landing in the file encoded.
  curl_easy_setopt(curl.get(), CURLOPT_ACCEPT_ENCODING, "");
  // These are curl's defaults; stated so that no later edit loosens them.
  curl_easy_setopt(curl.get(), CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(curl.get(), CURLOPT_SSL_VERIFYHOST, 2L);
  curl_easy_setopt(curl.get(), CURLOPT_CONNECTTIMEOUT_MS, options.connectTimeoutMs);
  curl_easy_setopt(curl.get(), CURLOPT_TIMEOUT_MS, options.overallTimeoutMs);
  curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, &AppendBody);
  curl_easy_setopt(curl.get(), CURLOPT_WRITEDATA, &transfer);
  curl_easy_setopt(curl.get(), CURLOPT_HEADERFUNCTION, &NoteHeader);
  curl_easy_setopt(curl.get(), CURLOPT_HEADERDATA, &transfer);
  curl_easy_setopt(curl.get(), CURLOPT_XFERINFOFUNCTION, &AbandonWhenStalled);
  curl_easy_setopt(curl.get(), CURLOPT_XFERINFODATA, &transfer);
  curl_easy_setopt(curl.get(), CURLOPT_NOPROGRESS, 0L);
  const std::string proxy = DesktopProxyFor(url);
  if (!proxy.empty()) curl_easy_setopt(curl.get(), CURLOPT_PROXY, proxy.c_str());

  // Anything short of a whole body (refused, reset, timed out, shorter than
  // its Content-Length) is a failed download and touches no file.
  if (curl_easy_perform(curl.get()) != CURLE_OK) return false;
  long status = 0;
  curl_easy_getinfo(curl.get(), CURLINFO_RESPONSE_CODE, &status);
  if (options.requireSuccessStatus && (status < 200 || status > 299)) return false;
  curl.reset();
  if (options.acceptBody && !options.acceptBody(transfer.body)) return false;

  WriteFileAtomically(path, transfer.body);
  return true;
}

}  // namespace zovaz
