#include "core/zoom_level.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

#include "core/io_error.h"
#include "core/text_file.h"

namespace zovaz {

namespace {

// The steps browsers offer, so the keys feel the same here.
constexpr std::array<double, 13> kSteps = {0.3,  0.5, 0.67, 0.8, 0.9, 1.0, 1.1,
                                           1.25, 1.5, 1.75, 2.0, 2.5, 3.0};
// Levels this close count as the same step (a kept "0.67" is not 2/3).
constexpr double kSame = 0.005;

}  // namespace

double ZoomIn(double level) {
  for (double step : kSteps)
    if (step > level + kSame) return step;
  return kSteps.back();
}

double ZoomOut(double level) {
  for (auto it = kSteps.rbegin(); it != kSteps.rend(); ++it)
    if (*it < level - kSame) return *it;
  return kSteps.front();
}

double ParseZoomLevel(const std::string& text) {
  const size_t end = text.find_last_not_of(" \t\r\n");
  if (end == std::string::npos) return kNormalZoom;
  double level = 0;
  const char* last = text.data() + end + 1;
  const auto [stop, error] = std::from_chars(text.data(), last, level, std::chars_format::fixed);
  if (error != std::errc() || stop != last || !std::isfinite(level)) return kNormalZoom;
  return std::clamp(level, kSteps.front(), kSteps.back());
}

std::string FormatZoomLevel(double level) {
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, level);
  return std::string(buffer, result.ptr);
}

double ReadZoomLevel(const std::string& path) {
  try {
    return ParseZoomLevel(ReadFileBytes(path));
  } catch (const IoError&) {
    return kNormalZoom;
  }
}

bool WriteZoomLevel(const std::string& path, double level, std::string* failure) {
  try {
    WriteFileAtomically(path, FormatZoomLevel(level) + "\n", 0600);
    return true;
  } catch (const IoError& error) {
    if (failure != nullptr) *failure = error.what();
    return false;
  }
}

}  // namespace zovaz
