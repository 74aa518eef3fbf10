// The scripts the client runs in the shown page: the loading notice drawn
// over it while a login or logout is under way, and printing.
#pragma once

#include <string>

namespace zovaz {

// `text` made safe inside a JavaScript single-quoted string that itself
// stands in a double-quoted HTML attribute.
std::string EscapeForScriptAttribute(const std::string& text);

// "file://" + the data folder's notice image, as a URL.
std::string ClockImageUrl(const std::string& dataDir);

// Replaces the content of the element with id "main" by a centred notice
// reading `loadingText` + ".." above the clock image.
std::string LoadingScript(const std::string& loadingText, const std::string& dataDir);

inline constexpr const char* kPrintScript = "window.print();";

}  // namespace zovaz
