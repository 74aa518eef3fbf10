// Whether the desktop wants dark windows, and colours that stay readable on
// whichever background the toolkit's theme gives the windows.
#pragma once

#include <wx/colour.h>

#include <functional>

class wxWindow;
typedef struct _GDBusConnection GDBusConnection;

namespace zovaz {

// By relative luminance, so that a mid-grey theme counts as light.
bool IsDarkBackground(const wxColour& background);

// Between 1 (the same) and 21 (black on white); body text wants 4.5.
double ContrastRatio(const wxColour& a, const wxColour& b);

// `light` on a light background; on a dark one the same hue lifted until it
// reads against it.
wxColour ReadableOn(const wxColour& background, const wxColour& light);

// The colour the theme draws `window`'s background in now. wxWidgets keeps
// the system colours it read first, so after a switch to dark they lie.
wxColour ThemeBackground(wxWindow* window);

// Calls `restyled` each time the theme restyles `window` (a switch between
// light and dark, another theme), for a window that draws colours of its
// own; the calls end with the watch, which must not outlive the window.
class ThemeWatch {
 public:
  ThemeWatch(wxWindow* window, std::function<void()> restyled);
  ~ThemeWatch();
  ThemeWatch(const ThemeWatch&) = delete;
  ThemeWatch& operator=(const ThemeWatch&) = delete;

 private:
  static void Restyled(void* widget, void* self);
  void* widget_;
  std::function<void()> restyled_;
};

// GTK 3 and the web engine read the dark preference from the theme name and
// from gtk-application-prefer-dark-theme, not from the freedesktop portal
// that today's desktops set. This asks the portal on the session bus
// (without waiting: the answer arrives during the message loop) and keeps
// the GTK setting in step with its color-scheme, now and whenever it
// changes. A desktop without the portal leaves everything as the theme says.
void FollowDesktopColorScheme();
// The same on a given bus.
void FollowDesktopColorSchemeOn(GDBusConnection* bus);

}  // namespace zovaz
