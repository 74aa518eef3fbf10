#include "crypto/password_digest.h"

#include <cerrno>
#include <iconv.h>
#include <memory>
#include <openssl/evp.h>
#include <stdexcept>

namespace zovaz {

std::string PasswordDigest(const std::string& bytes) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_md5(), nullptr) != 1)
    throw std::runtime_error("MD5 is not available");
  static const char kHex[] = "0123456789abcdef";
  std::string hex;
  for (unsigned int i = 0; i < length; ++i) {
    hex += kHex[digest[i] >> 4];
    hex += kHex[digest[i] & 0x0F];
  }
  return hex;
}

std::optional<std::string> ToWindows1250(const std::string& utf8) {
  iconv_t cd = iconv_open("WINDOWS-1250", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::unique_ptr<void, int (*)(iconv_t)> guard(cd, iconv_close);
  std::string in = utf8;
  std::string out(in.size() * 2 + 4, '\0');  // never longer than the UTF-8 form
  char* inPtr = in.data();
  size_t inLeft = in.size();
  char* outPtr = out.data();
  size_t outLeft = out.size();
  if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1))
    return std::nullopt;
  out.resize(out.size() - outLeft);
  return out;
}

}  // namespace zovaz
