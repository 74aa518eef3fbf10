#include "crypto/password_digest.h"

#include "core/windows1250.h"
#include "crypto/md5.h"

namespace zovaz {

std::string PasswordDigest(const std::string& bytes) {
  const std::array<unsigned char, 16> digest = Md5(bytes);
  static const char kHex[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(2 * digest.size());
  for (const unsigned char byte : digest) {
    hex += kHex[byte >> 4];
    hex += kHex[byte & 0x0F];
  }
  return hex;
}

std::optional<std::string> DigestOfTypedPassword(const std::string& utf8) {
  const std::optional<std::string> bytes = ToWindows1250(utf8);
  if (!bytes) return std::nullopt;
  return PasswordDigest(*bytes);
}

}  // namespace zovaz
