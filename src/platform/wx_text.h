// Text crosses into the widgets as UTF-8: the one conversion the platform
// wrappers and the windows use.
#pragma once

#include <wx/string.h>

#include <string>

inline wxString Wx(const std::string& utf8) { return wxString::FromUTF8(utf8); }
inline std::string Utf8(const wxString& text) { return std::string(text.utf8_str()); }
