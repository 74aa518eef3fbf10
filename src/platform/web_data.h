// What the web view keeps between runs: the shop's cookies in an owner-only
// folder under the data folder, and the engine's own site data owner-only.
#pragma once

#include <functional>
#include <string>

#include "core/data_files.h"

namespace zovaz {

// Makes the engine that shows `nativeView` (a WebKitWebView) read and write
// its cookies in `folder`, accepting first-party cookies only. The folder is
// created 0700 (its parent must exist) and the database 0600. The setting
// holds for every web view of the process, as they share one engine.
// False when the folder or the database cannot be made private: the cookies
// then last for this run only.
bool KeepCookiesIn(void* nativeView, const std::string& folder);

// The engine puts local storage, databases and its cache in folders of its
// own named after the program; makes them readable by the owner only,
// creating them when missing. Call before the first page loads. False, with
// the folders left as they were named in `failure` when given, when one
// cannot be made private.
bool RestrictSiteDataFolders(void* nativeView, std::string* failure = nullptr);

// The engine's disk cache keeps the addresses it loads, a login address
// with its digest among them, in records it writes seconds after a page has
// settled, so no emptying at a logout could be sure to come after them.
// Stops it caching pages on disk or in memory, for every view of the process,
// and empties what earlier runs kept; `done` runs on the GUI thread once the
// engine has emptied it, with whether it could.
void KeepNoPagesCached(void* nativeView, std::function<void(bool emptied)> done);

}  // namespace zovaz
