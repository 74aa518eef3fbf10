// How large the shop's pages are drawn: the steps Ctrl+plus and Ctrl+minus
// walk, and the small file that keeps the level between runs.
#pragma once

#include <string>

namespace zovaz {

inline constexpr double kNormalZoom = 1.0;

// The next step up or down from `level`; the last step stays where it is.
double ZoomIn(double level);
double ZoomOut(double level);

// The level written in `text`, held within the outermost steps; the normal
// level for anything that is not a plain decimal number. The decimal point
// is "." whatever the desktop's locale.
double ParseZoomLevel(const std::string& text);
std::string FormatZoomLevel(double level);

// The kept level; the normal level when the file is missing or unreadable.
double ReadZoomLevel(const std::string& path);
// Replaces the file atomically. False, with the reason in `failure` when
// given, when it cannot be written; the file is then as it was.
bool WriteZoomLevel(const std::string& path, double level, std::string* failure = nullptr);

}  // namespace zovaz
