#include "core/site_address.h"

#include <algorithm>
#include <cctype>

#include "core/shop_address.h"

namespace zovaz {

namespace {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

struct Authority {
  std::string scheme;  // "http" or "https"; "" when the address is neither
  std::string host;
  std::string port;
};

Authority AuthorityOf(const std::string& address) {
  const std::string lower = Lower(address);
  Authority result;
  size_t start = 0;
  if (lower.rfind("http://", 0) == 0) {
    result.scheme = "http";
    start = 7;
  } else if (lower.rfind("https://", 0) == 0) {
    result.scheme = "https";
    start = 8;
  } else {
    return {};
  }
  // Browsers end the authority at a backslash too.
  const size_t end = std::min(lower.find_first_of("/?#\\", start), lower.size());
  std::string authority = lower.substr(start, end - start);
  // "http://shop@elsewhere/" is elsewhere.
  const size_t at = authority.rfind('@');
  if (at != std::string::npos) authority.erase(0, at + 1);
  size_t colon = std::string::npos;
  if (!authority.empty() && authority.front() == '[') {
    const size_t close = authority.find(']');
    if (close == std::string::npos) return {};
    result.host = authority.substr(0, close + 1);
    if (close + 1 < authority.size() && authority[close + 1] == ':') colon = close + 1;
  } else {
    colon = authority.find(':');
    result.host = authority.substr(0, colon);
  }
  // "shop.example." names the same host as "shop.example".
  if (result.host.size() > 1 && result.host.back() == '.') result.host.pop_back();
  if (result.host.empty()) return {};
  result.port = colon != std::string::npos ? authority.substr(colon + 1) : "";
  if (result.port.empty()) result.port = result.scheme == "http" ? "80" : "443";
  return result;
}

}  // namespace

std::string HostOf(const std::string& address) { return AuthorityOf(address).host; }

std::string OriginOf(const std::string& address) {
  const Authority authority = AuthorityOf(address);
  if (authority.scheme.empty()) return "";
  return authority.scheme + "://" + authority.host + ":" + authority.port;
}

bool SameOrigin(const std::string& address, const std::string& other) {
  const std::string origin = OriginOf(address);
  return !origin.empty() && origin == OriginOf(other);
}

LinkRoute RouteClickedLink(const std::string& address, const std::vector<std::string>& ownSites,
                           const std::string& passwordHash) {
  const std::string host = HostOf(address);
  if (host.empty()) return LinkRoute::kInside;
  for (const std::string& site : ownSites) {
    if (HostOf(site) == host) return LinkRoute::kInside;
  }
  return HoldsLoginSecret(address, passwordHash) ? LinkRoute::kNowhere : LinkRoute::kBrowser;
}

}  // namespace zovaz
