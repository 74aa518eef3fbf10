// Opens an address in the desktop's default web browser.
#pragma once

#include <string>

namespace zovaz {

// Starts the desktop's default handler of the "http" scheme with `url` as
// its only argument. False, and nothing started, when none is registered.
bool OpenInDefaultBrowser(const std::string& url);

}  // namespace zovaz
