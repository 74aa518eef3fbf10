// The program's identity on the desktop: the id that ties its windows to the
// installed desktop entry, and the window icon shipped beside the executable.
#pragma once

#include <wx/iconbndl.h>

#include <string>

namespace zovaz {

// The desktop entry's id; also the name of the installed icon.
inline constexpr const char* kDesktopId = "cz.marlevo.Zovaz";

// Makes kDesktopId the program name GTK reports to the desktop (the X11
// WM_CLASS instance and the Wayland app id), so that docks and task bars
// match the windows to the desktop entry. Only takes effect when called
// before the toolkit starts, i.e. from the application's constructor.
void ClaimDesktopId();

// Tells the desktop that the program's start is complete, so that its busy
// cursor ends; harmless when it already was or none was asked for.
void CompleteStartupNotification();

// Where the icon of `size` pixels lies among the shipped content.
std::string AppIconPath(const std::string& exeDir, int size);

// The window icons in `exeDir`/icons, one per shipped size. Sizes that are
// missing or unreadable are left out, so the result may be empty: the window
// then keeps the desktop's default icon.
wxIconBundle LoadAppIcons(const std::string& exeDir);

}  // namespace zovaz
