#include "crypto/md5.h"

#include <openssl/evp.h>

#include <stdexcept>

namespace zovaz {

std::array<unsigned char, 16> Md5(const std::string& bytes) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_md5(), nullptr) != 1 ||
      length != 16)
    throw std::runtime_error("MD5 is not available");
  std::array<unsigned char, 16> out{};
  for (unsigned int i = 0; i < length; ++i) out[i] = digest[i];
  return out;
}

}  // namespace zovaz
