#include "core/deep_link.h"

#include <algorithm>
#include <cctype>

#include "core/shop_address.h"
#include "core/site_address.h"

namespace zovaz {

namespace {

// Longer than any page address of the shop; a link past it is no link of its.
constexpr size_t kMaxLinkLength = 4096;

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// Decoded until nothing changes: "%252F" must not hide a "/" from the
// check for the login secret.
std::string PercentDecoded(std::string text) {
  for (int round = 0; round < 4; ++round) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
      const int high = i + 2 < text.size() && text[i] == '%' ? HexValue(text[i + 1]) : -1;
      const int low = high >= 0 ? HexValue(text[i + 2]) : -1;
      if (low >= 0) {
        out += static_cast<char>(high * 16 + low);
        i += 2;
      } else {
        out += text[i];
      }
    }
    if (out == text) break;
    text = std::move(out);
  }
  return text;
}

bool Refuse(std::string* why, const std::string& reason) {
  if (why != nullptr) *why = reason;
  return false;
}

std::string Refused(std::string* why, const std::string& reason) {
  Refuse(why, reason);
  return "";
}

struct LinkParts {
  std::string host;
  std::string port;  // "" when the link names none
  std::string rest;  // path, query and fragment, from the first "/", "?" or "#"
};

bool SplitLink(const std::string& link, LinkParts& parts, std::string* why) {
  if (link.size() > kMaxLinkLength) return Refuse(why, "too long");
  for (const char c : link) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= ' ' || byte == 0x7f || c == '\\') return Refuse(why, "bytes no address holds");
  }
  const std::string lower = Lower(link);
  size_t start = 0;
  for (const char* scheme : {"zovaz://", "https://", "http://"}) {
    if (StartsWith(lower, scheme)) start = std::char_traits<char>::length(scheme);
  }
  if (start == 0) return Refuse(why, "not a zovaz or web address");
  const size_t end = std::min(lower.find_first_of("/?#", start), lower.size());
  const std::string authority = lower.substr(start, end - start);
  if (authority.find('@') != std::string::npos) return Refuse(why, "it carries a user name");
  size_t colon = std::string::npos;
  if (StartsWith(authority, "[")) {
    const size_t close = authority.find(']');
    if (close == std::string::npos) return Refuse(why, "no host");
    parts.host = authority.substr(0, close + 1);
    if (close + 1 < authority.size()) {
      if (authority[close + 1] != ':') return Refuse(why, "no host");
      colon = close + 1;
    }
  } else {
    colon = authority.find(':');
    parts.host = authority.substr(0, colon);
    // Only what a host name can be: an escaped or odd byte could make the
    // engine read another host than the one compared here.
    const bool plain = std::all_of(parts.host.begin(), parts.host.end(), [](char c) {
      return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-';
    });
    if (!plain) return Refuse(why, "not a host name");
  }
  if (parts.host.size() > 1 && parts.host.back() == '.') parts.host.pop_back();
  if (parts.host.empty() || parts.host == ".") return Refuse(why, "no host");
  if (colon != std::string::npos) {
    parts.port = authority.substr(colon + 1);
    const bool digits = !parts.port.empty() && parts.port.size() <= 5 &&
                        std::all_of(parts.port.begin(), parts.port.end(),
                                    [](char c) { return c >= '0' && c <= '9'; });
    if (!digits) return Refuse(why, "not a port");
    parts.port.erase(0, std::min(parts.port.find_first_not_of('0'), parts.port.size() - 1));
  }
  parts.rest = link.substr(end);
  if (parts.rest.empty() || parts.rest.front() != '/') parts.rest = '/' + parts.rest;
  return true;
}

}  // namespace

bool LooksLikeDeepLink(const std::string& argument) {
  const std::string lower = Lower(argument.substr(0, 8));
  return StartsWith(lower, "zovaz:") || StartsWith(lower, "http:") || StartsWith(lower, "https:");
}

std::string DeepLinkTarget(const std::string& link, const std::string& serverUrl,
                           const std::string& passwordHash, std::string* why) {
  // "scheme://host:port", the port always written.
  const std::string origin = OriginOf(serverUrl);
  if (origin.empty()) return Refused(why, "no shop address is set");
  LinkParts parts;
  if (!SplitLink(link, parts, why)) return "";
  const size_t portColon = origin.rfind(':');
  const std::string shopPort = origin.substr(portColon + 1);
  if (parts.host != HostOf(serverUrl)) return Refused(why, "another host than the shop's");
  if (!parts.port.empty() && parts.port != shopPort)
    return Refused(why, "another port than the shop's");
  const std::string rest = parts.rest;
  if (HoldsLoginSecret(rest, passwordHash) || HoldsLoginSecret(PercentDecoded(rest), passwordHash))
    return Refused(why, "it carries the login secret");
  const bool defaultPort = (StartsWith(origin, "http:") && shopPort == "80") ||
                           (StartsWith(origin, "https:") && shopPort == "443");
  return (defaultPort ? origin.substr(0, portColon) : origin) + rest;
}

}  // namespace zovaz
