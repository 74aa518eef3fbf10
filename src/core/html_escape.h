// HTML text from plain text: the one escape for pages the client builds and
// for the stand-in shop's.
#pragma once

#include <string>

namespace zovaz {

// `text` safe as HTML text or a quoted attribute value.
std::string EscapeHtml(const std::string& text);

}  // namespace zovaz
