#include "core/shop_address.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace zovaz {

namespace {

bool IsUnreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.' || c == '_' || c == '~';
}

std::string PercentByte(unsigned char c) {
  char buf[4];
  std::snprintf(buf, sizeof buf, "%%%02X", c);
  return buf;
}

}  // namespace

std::string PercentEncodePathSegment(const std::string& segment) {
  std::string out;
  for (unsigned char c : segment) out += IsUnreserved(c) ? std::string(1, c) : PercentByte(c);
  return out;
}

std::string LoginAddress(const std::string& serverUrl, const std::string& lang,
                         const std::string& userName, const std::string& passwordHash) {
  return serverUrl + "/" + lang + "/moveup/" + PercentEncodePathSegment(userName) + "/movedown/" +
         passwordHash;
}

std::string LogoutPageAddress(const std::string& serverUrl, const std::string& lang) {
  return serverUrl + "/" + lang + "/set-compact-mode/logout";
}

std::string StyleSheetAddress(const std::string& vendorSiteUrl) {
  return vendorSiteUrl + "/assets/styles/mainCompact.css";
}

std::string ProbeAddress(const std::string& vendorSiteUrl) {
  return vendorSiteUrl + "/assets/images/lightbox_blank.gif";
}

bool HoldsLoginSecret(const std::string& address, const std::string& passwordHash) {
  std::string lower = address;
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (lower.find("/movedown/") != std::string::npos) return true;
  if (passwordHash.empty()) return false;
  std::string digest = passwordHash;
  std::transform(digest.begin(), digest.end(), digest.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower.find(digest) != std::string::npos;
}

}  // namespace zovaz
