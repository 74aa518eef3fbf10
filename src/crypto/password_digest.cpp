#include "crypto/password_digest.h"

#include <openssl/evp.h>

#include <stdexcept>

#include "core/windows1250.h"

namespace zovaz {

std::string PasswordDigest(const std::string& bytes) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_md5(), nullptr) != 1 ||
      length != 16)
    throw std::runtime_error("MD5 is not available");
  static const char kHex[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(2 * length);
  for (unsigned int i = 0; i < length; ++i) {
    hex += kHex[digest[i] >> 4];
    hex += kHex[digest[i] & 0x0F];
  }
  return hex;
}

std::optional<std::string> DigestOfTypedPassword(const std::string& utf8) {
  const std::optional<std::string> bytes = ToWindows1250(utf8);
  if (!bytes) return std::nullopt;
  return PasswordDigest(*bytes);
}

}  // namespace zovaz
