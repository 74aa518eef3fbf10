// Windows-1250, the single-byte encoding of every text the client stores and
// sends, and UTF-8, the encoding of the widgets.
#pragma once

#include <optional>
#include <string>

namespace zovaz {

// The UTF-8 text in Windows-1250; nothing when a character has no
// Windows-1250 form or the text is not valid UTF-8. Never a look-alike, a
// substitute or a dropped character.
std::optional<std::string> ToWindows1250(const std::string& utf8);

// The Windows-1250 bytes as UTF-8; the five bytes the code page leaves
// undefined become U+FFFD, so this never fails but need not convert back.
std::string FromWindows1250(const std::string& bytes);

}  // namespace zovaz
