// Where the per-user data folder is, and the first-run setup that fills it
// from the content shipped beside the executable.
#pragma once

#include <string>
#include <vector>

#include "core/data_files.h"

namespace zovaz {

inline constexpr const char* kSetupVersion = "1.0.0.2";

// $XDG_DATA_HOME when set and absolute, else <home>/.local/share where home
// is $HOME when absolute, else the account's home from the password
// database; "" when none is known. Either pointer may be null (unset).
std::string LocalAppDataFrom(const char* xdgDataHome, const char* home,
                             const std::string& accountHome = {});

// The executable's folder: everything before the last "/".
std::string ExeDirOf(const std::string& exePath);

// The first line of the version marker; "" when it is missing or unreadable.
std::string InstalledVersion(const std::string& dataDir);

// True unless the marker names exactly this build's setup version.
bool SetupNeeded(const std::string& dataDir);

// Creates `folder` and every missing level above it, each private to the
// user (0700); levels that exist are left as they are. False, with what
// failed in `failure` when given, when a level cannot be made.
bool CreatePrivateFolders(const std::string& folder, std::string* failure = nullptr);

// True when `path` exists but belongs to another user, or is a link to
// something that does (also when it cannot be looked at): a data folder or
// lock someone else prepared, which the client must not use.
bool BelongsToOthers(const std::string& path);

// Start-up care of an existing data folder: everything in it that belongs
// to the user and that others may reach (an older install, a restore) is
// narrowed to the user alone; the password digest is a credential. Then the
// temporary files of writes that were interrupted are removed from the
// folder and its __app tree. Links are never followed. A step's failure does
// not stop the next; false when any failed, each named in `failures` when given.
bool TidyDataFolder(const std::string& dataDir, std::vector<std::string>* failures = nullptr);

// Copies a folder tree into `target`, merging with what is there and
// overwriting files of the same name; what it creates is private to the
// user. Links are followed on neither side. True when everything was copied.
bool CopyDirectory(const std::string& source, const std::string& target);

// Copies the shipped content into the data folder and writes the marker
// last. A step's failure does not stop the next; the result is true when
// every step succeeded, the marker included. An existing user configuration
// keeps its user lines; only the server address comes from the shipped file.
// The steps that failed are named in `failures` when given.
bool RunSetup(const std::string& exeDir, const std::string& dataDir,
              std::vector<std::string>* failures = nullptr);

}  // namespace zovaz
