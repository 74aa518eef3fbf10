// The one character that separates the levels of a path on this system.
#pragma once

namespace zovaz {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

}  // namespace zovaz
