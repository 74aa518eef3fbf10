// Keyboard access keys for menu captions: one letter of each caption,
// distinct within its menu, the caption's text itself unchanged.
#pragma once

#include <string>
#include <vector>

namespace zovaz {

// The captions (UTF-8, as the user reads them) in the toolkit's menu
// markup: every "&" doubled, so it stays a character, and a "&" before the
// letter that becomes the caption's key. Earlier captions choose first; a
// letter that begins a word is preferred, and only ASCII letters are taken,
// since every keyboard layout types them with Alt. A caption left without a
// free letter gets no key rather than one that clashes.
std::vector<std::string> WithAccessKeys(const std::vector<std::string>& captions);

}  // namespace zovaz
