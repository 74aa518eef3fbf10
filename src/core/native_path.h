// Paths as this system spells them: the level separator, and the client's
// UTF-8 path strings as std::filesystem paths.
#pragma once

#include <filesystem>
#include <string>

namespace zovaz {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// A plain std::string path would be read in the ANSI code page on Windows,
// which cannot spell every user's folder; the bytes are UTF-8 everywhere.
inline std::filesystem::path PathOf(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

}  // namespace zovaz
