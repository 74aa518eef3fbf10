// The scripts the client runs in the shown page: the loading notice drawn
// over it while a login or logout is under way, and printing.
#pragma once

#include <string>

namespace zovaz {

// `text` made safe inside a JavaScript single-quoted string that itself
// stands in a double-quoted HTML attribute.
std::string EscapeForScriptAttribute(const std::string& text);

// Standard base64 with padding.
std::string Base64(const std::string& bytes);

// The data folder's notice image as a "data:" address: a shop page served
// over http may not show a local file. "" when the image cannot be read.
std::string ClockImageUrl(const std::string& dataDir);

// Replaces the content of the element with id "main" by a centred notice
// reading `loadingText` + ".." above the clock image (left out when the
// image cannot be read); the content comes back when the engine shows the
// page again from its back-forward history.
std::string LoadingScript(const std::string& loadingText, const std::string& dataDir);

inline constexpr const char* kPrintScript = "window.print();";

}  // namespace zovaz
