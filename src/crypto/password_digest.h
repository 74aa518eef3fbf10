// The password digest the client stores and sends instead of the password.
#pragma once

#include <optional>
#include <string>

namespace zovaz {

// MD5 (RFC 1321) of the bytes, as 32 lower-case hexadecimal digits.
std::string PasswordDigest(const std::string& bytes);

// The digest of a password as typed (UTF-8), taken over its Windows-1250
// bytes; nothing when the password cannot be written in Windows-1250, since
// a substitute character would let different passwords share one digest.
std::optional<std::string> DigestOfTypedPassword(const std::string& utf8);

}  // namespace zovaz
