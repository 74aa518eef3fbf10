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
// Replaces the file atomically; throws IoError on failure.
void WriteZoomLevel(const std::string& path, double level);

}  // namespace zovaz
