// Opens an address in the desktop's default web browser, and a file or
// folder in the desktop's application for it.
#pragma once

#include <string>
#include <vector>

namespace zovaz {

// Starts the desktop's default handler of the "http" scheme (as the user's
// and the system's mimeapps.list name it) with `url`, passed unchanged as one
// argument. False, and nothing started, when no handler is registered or its
// program cannot be started.
bool OpenInDefaultBrowser(const std::string& url);

// Starts the desktop's default application for the file or folder at
// `path` (a folder: its file manager), as the desktop's mimeapps.list name
// it. False, and nothing started, when the path is gone, no application is
// registered for its type, or its program cannot be started.
bool OpenWithDesktop(const std::string& path);

// The argument vector that starts a handler registered with the desktop
// command line `exec` for `url`: the command's own words with their quoting
// removed, `url` in place of its address placeholder (or after the last word
// when it has none), other placeholders dropped. Empty when `exec` cannot be
// split into words.
std::vector<std::string> HandlerArguments(const std::string& exec, const std::string& url);

}  // namespace zovaz
