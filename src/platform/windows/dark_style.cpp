#include "platform/dark_style.h"

#include <wx/settings.h>
#include <wx/window.h>

#include <cmath>
#include <utility>

#include "platform/windows/unsupported.h"

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

wxColour ReadableOn(const wxColour& background, const wxColour& light) {
  if (!IsDarkBackground(background)) return light;
  // Towards white, keeping the hue, until the contrast is that of body text.
  for (double mix = 0.0; mix <= 1.0; mix += 0.05) {
    const auto lift = [mix](unsigned char c) {
      return static_cast<unsigned char>(c + (255 - c) * mix);
    };
    const wxColour lifted(lift(light.Red()), lift(light.Green()), lift(light.Blue()));
    if ((Luminance(lifted) + 0.05) / (Luminance(background) + 0.05) >= 4.5) return lifted;
  }
  return wxColour(255, 255, 255);
}

// The classic controls keep the colours the system gave them at start.
wxColour ThemeBackground(wxWindow* window) {
  return window != nullptr ? window->GetBackgroundColour()
                           : wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE);
}

// Windows' classic controls are never restyled while they live, so the
// watch has nothing to call.
ThemeWatch::ThemeWatch(wxWindow* window, std::function<void()> restyled)
    : widget_(window), restyled_(std::move(restyled)) {}
ThemeWatch::~ThemeWatch() = default;
void ThemeWatch::Restyled(void*, void* self) { static_cast<ThemeWatch*>(self)->restyled_(); }

// wxWidgets 3.2 draws Windows' classic light controls whatever the system's
// app mode; the windows keep their system colours.
void FollowDesktopColorScheme() { LogUnsupportedOnce("following the dark app mode"); }
void FollowDesktopColorSchemeOn(GDBusConnection*) { FollowDesktopColorScheme(); }

}  // namespace zovaz
