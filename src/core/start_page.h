// Turns the shop's logged-out compact page into the offline start page.
#pragma once

#include <string>

namespace zovaz {

// Applies, line by line and in order: asset addresses on the vendor site
// become "./assets"; the shop link reloads the page instead; the body tag
// suppresses the context menu. Finds ignore letter case; inserted text is
// not searched again; every output line ends in CR LF; 0x1A ends the input.
std::string RewriteStartPage(const std::string& page, const std::string& vendorSiteUrl);

// True for what the rewrite may be given: the page ends with its closing
// html tag (only white space and comments after it) and is not a
// compressed stream. Half a page, or a body left encoded, is not.
bool IsWholeStartPage(const std::string& page);

// True when `body` begins as a gzip or zstd stream does: bytes that were
// meant to be decoded before anyone read them as text.
bool LooksCompressed(const std::string& body);

// One line through the three rules.
std::string RewriteStartPageLine(const std::string& line, const std::string& vendorSiteUrl);

// Every occurrence of `find` (ASCII letters compared without case)
// replaced by `replacement`, scanning left to right past each insertion.
std::string ReplaceAllIgnoreCase(const std::string& text, const std::string& find,
                                 const std::string& replacement);

}  // namespace zovaz
