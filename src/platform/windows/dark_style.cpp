#include "platform/dark_style.h"

#include <wx/settings.h>
#include <wx/window.h>

#include <utility>

#include "platform/windows/unsupported.h"

namespace zovaz {

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
