// The texts the client builds to log in: the login address and the script
// that draws the loading notice over the shown page.
#pragma once

#include <string>

namespace zovaz {

// serverUrl + "/" + lang + "/moveup/" + user + "/movedown/" + digest, with
// the user name percent-encoded as one path segment.
std::string LoginAddress(const std::string& serverUrl, const std::string& lang,
                         const std::string& userName, const std::string& passwordHash);

// The address of the shop's logged-out compact page.
std::string LogoutPageAddress(const std::string& serverUrl, const std::string& lang);

// Bytes outside the unreserved set (ALPHA DIGIT - . _ ~) as %XX.
std::string PercentEncodePathSegment(const std::string& segment);

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
