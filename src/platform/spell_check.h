// Spell checking in the shop's forms (order notes, addresses), in the
// customer's language.
#pragma once

namespace zovaz {

// The dictionary the engine is given: Czech, as the shop is.
inline constexpr const char* kSpellingLanguage = "cs_CZ";

// Turns the engine's spell checking on for every view of `nativeView`'s
// (a WebKitWebView's) context, in kSpellingLanguage. False when the machine
// has no dictionary for it: forms then work unchecked.
bool CheckSpellingInCzech(void* nativeView);

}  // namespace zovaz
