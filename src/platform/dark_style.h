// Whether the desktop wants dark windows, and colours that stay readable on
// whichever background the toolkit's theme gives the windows.
#pragma once

#include <wx/colour.h>

typedef struct _GDBusConnection GDBusConnection;

namespace zovaz {

// By relative luminance, so that a mid-grey theme counts as light.
bool IsDarkBackground(const wxColour& background);

// `light` on a light background; on a dark one the same hue lifted until it
// reads against it.
wxColour ReadableOn(const wxColour& background, const wxColour& light);

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
