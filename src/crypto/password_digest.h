// The password digest the client stores and sends instead of the password.
#pragma once

#include <optional>
#include <string>

namespace zovaz {

// MD5 (RFC 1321) of the bytes, as 32 lower-case hexadecimal digits.
std::string PasswordDigest(const std::string& bytes);

// The UTF-8 text in Windows-1250, the encoding the shop's digests were made
// from; nothing when a character has no Windows-1250 form.
std::optional<std::string> ToWindows1250(const std::string& utf8);

}  // namespace zovaz
