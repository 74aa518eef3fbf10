// The MD5 digest of RFC 1321, from the system's own cryptography library.
#pragma once

#include <array>
#include <string>

namespace zovaz {

// The 16 bytes of the digest; throws std::runtime_error when the system
// offers no MD5.
std::array<unsigned char, 16> Md5(const std::string& bytes);

}  // namespace zovaz
