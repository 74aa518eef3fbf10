// The colour sums of the dark style, the same on every system: how light a
// colour is, and a colour lifted until it reads on a dark background.
#include <wx/colour.h>

#include <algorithm>
#include <cmath>

#include "platform/dark_style.h"

namespace zovaz {

namespace {

double Linear(unsigned char channel) {
  const double c = channel / 255.0;
  return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double Luminance(const wxColour& colour) {
  return 0.2126 * Linear(colour.Red()) + 0.7152 * Linear(colour.Green()) +
         0.0722 * Linear(colour.Blue());
}

}  // namespace

bool IsDarkBackground(const wxColour& background) { return Luminance(background) < 0.18; }

double ContrastRatio(const wxColour& a, const wxColour& b) {
  const double la = Luminance(a), lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

wxColour ReadableOn(const wxColour& background, const wxColour& light) {
  if (!IsDarkBackground(background)) return light;
  // Towards white, keeping the hue, until the contrast is that of body text.
  for (double mix = 0.0; mix <= 1.0; mix += 0.05) {
    const auto lift = [mix](unsigned char c) {
      return static_cast<unsigned char>(c + (255 - c) * mix);
    };
    const wxColour lifted(lift(light.Red()), lift(light.Green()), lift(light.Blue()));
    if (ContrastRatio(lifted, background) >= 4.5) return lifted;
  }
  return wxColour(255, 255, 255);
}

}  // namespace zovaz
