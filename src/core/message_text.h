// How error texts are finished before the user sees them.
#pragma once

#include <string>

namespace zovaz {

// Appends "." unless the text is empty or already ends in a full stop or a
// character that sorts at or below it (space, "!", ")", ",", "-", ...).
std::string WithClosingFullStop(const std::string& text);

}  // namespace zovaz
