// Which control holds the keyboard focus of a window, as the toolkit itself
// records it.
#pragma once

#include <vector>

class wxTopLevelWindow;
class wxWindow;

namespace zovaz {

// The one of `among` that the toolkit gives the keys of `window` to, or null.
// wx's own record follows the window's focus events, which a window the
// toolkit does not believe active never gets: there it is empty while the
// keys still reach a control.
wxWindow* ToolkitFocus(wxTopLevelWindow& window, const std::vector<wxWindow*>& among);

}  // namespace zovaz
