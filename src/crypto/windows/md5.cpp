// MD5 from Windows' own cryptography (CNG).
#include "crypto/md5.h"

// clang-format off
#include <windows.h>
#include <bcrypt.h>
// clang-format on

#include <stdexcept>

namespace zovaz {

std::array<unsigned char, 16> Md5(const std::string& bytes) {
  std::array<unsigned char, 16> digest{};
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  if (!BCRYPT_SUCCESS(::BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_MD5_ALGORITHM, nullptr, 0)))
    throw std::runtime_error("MD5 is not available");
  BCRYPT_HASH_HANDLE hash = nullptr;
  bool ok = BCRYPT_SUCCESS(::BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0));
  // One call per 1 GiB at most: the length is a ULONG.
  for (size_t done = 0; ok && done < bytes.size();) {
    const ULONG chunk = static_cast<ULONG>(std::min<size_t>(bytes.size() - done, 1u << 30));
    ok = BCRYPT_SUCCESS(::BCryptHashData(
        hash, reinterpret_cast<PUCHAR>(const_cast<char*>(bytes.data() + done)), chunk, 0));
    done += chunk;
  }
  ok = ok && BCRYPT_SUCCESS(::BCryptFinishHash(hash, digest.data(), digest.size(), 0));
  if (hash != nullptr) ::BCryptDestroyHash(hash);
  ::BCryptCloseAlgorithmProvider(algorithm, 0);
  if (!ok) throw std::runtime_error("MD5 is not available");
  return digest;
}

}  // namespace zovaz
