#include "crypto/password_digest.h"

#include <iconv.h>
#include <openssl/evp.h>

#include <memory>
#include <stdexcept>

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

std::optional<std::string> ToWindows1250(const std::string& utf8) {
  // No //TRANSLIT or //IGNORE: a character without a Windows-1250 form must
  // fail the conversion, not turn into a look-alike or vanish.
  iconv_t cd = iconv_open("WINDOWS-1250", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::unique_ptr<void, int (*)(iconv_t)> guard(cd, iconv_close);
  std::string in = utf8;
  // Every character takes one byte in Windows-1250 and at least one in UTF-8.
  std::string out(in.size(), '\0');
  char* inPtr = in.data();
  size_t inLeft = in.size();
  char* outPtr = out.data();
  size_t outLeft = out.size();
  if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1) || inLeft != 0)
    return std::nullopt;
  out.resize(out.size() - outLeft);
  return out;
}

std::optional<std::string> DigestOfTypedPassword(const std::string& utf8) {
  const std::optional<std::string> bytes = ToWindows1250(utf8);
  if (!bytes) return std::nullopt;
  return PasswordDigest(*bytes);
}

}  // namespace zovaz
