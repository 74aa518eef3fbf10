// The Windows half of data_folder.h: folders, the tidy and the copy, none of
// which ever follows a link (a junction or symbolic link: a reparse point).
#include <windows.h>

#include <vector>

#include "core/data_folder.h"
#include "core/temporary_name.h"
#include "core/text_file.h"
#include "core/windows/wide.h"

namespace zovaz {

namespace {

constexpr int kMaxDepth = 32;

// INVALID_FILE_ATTRIBUTES when `path` cannot be looked at.
DWORD Attributes(const std::string& path) { return ::GetFileAttributesW(Widen(path).c_str()); }

bool IsLink(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }

bool IsFolder(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
         !IsLink(attributes);
}

bool IsPlainFile(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
         !IsLink(attributes);
}

// Calls `visit` with each entry's name and attributes, "." and ".." left out.
template <typename Visit>
bool ForEachEntry(const std::string& folder, Visit visit) {
  WIN32_FIND_DATAW entry;
  HANDLE find = ::FindFirstFileW(Widen(folder + "\\*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return false;
  do {
    const std::wstring name = entry.cFileName;
    if (name == L"." || name == L"..") continue;
    visit(Narrow(name), entry.dwFileAttributes);
  } while (::FindNextFileW(find, &entry));
  const bool complete = ::GetLastError() == ERROR_NO_MORE_FILES;
  ::FindClose(find);
  return complete;
}

std::string LastError() { return "error " + std::to_string(::GetLastError()); }

void RemoveLeftovers(const std::string& folder, bool recursive, int depth,
                     std::vector<std::string>& failures) {
  ForEachEntry(folder, [&](const std::string& name, DWORD attributes) {
    const std::string path = folder + "\\" + name;
    if (IsPlainFile(attributes) && IsAtomicWriteLeftover(name)) {
      if (!::DeleteFileW(Widen(path).c_str()))
        failures.push_back("cannot remove " + path + ": " + LastError());
    } else if (recursive && IsFolder(attributes) && depth < kMaxDepth) {
      RemoveLeftovers(path, recursive, depth + 1, failures);
    }
  });
}

bool CopyTree(const std::string& source, const std::string& target, int depth) {
  if (!::CreateDirectoryW(Widen(target).c_str(), nullptr) &&
      ::GetLastError() != ERROR_ALREADY_EXISTS)
    return false;
  if (!IsFolder(Attributes(target))) return false;
  bool ok = true;
  const bool listed = ForEachEntry(source, [&](const std::string& name, DWORD attributes) {
    const std::string from = source + "\\" + name;
    const std::string to = target + "\\" + name;
    if (IsFolder(attributes)) {
      ok = depth < kMaxDepth && CopyTree(from, to, depth + 1) && ok;
      return;
    }
    const DWORD existing = Attributes(to);
    const bool replaceable = existing == INVALID_FILE_ATTRIBUTES
                                 ? ::GetLastError() == ERROR_FILE_NOT_FOUND
                                 : IsPlainFile(existing);
    if (!IsPlainFile(attributes) || !replaceable) {
      ok = false;
      return;
    }
    // File by file under a temporary name, so that an interrupted update
    // never leaves a half-written page or style sheet in the data folder.
    const std::wstring temporary = Widen(target + "\\." + name + kTemporaryMarker + "copy00");
    const bool copied = ::CopyFileW(Widen(from).c_str(), temporary.c_str(), FALSE) &&
                        ::SetFileAttributesW(temporary.c_str(), FILE_ATTRIBUTE_NORMAL) &&
                        ::MoveFileExW(temporary.c_str(), Widen(to).c_str(),
                                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!copied) {
      ::DeleteFileW(temporary.c_str());
      ok = false;
    }
  });
  return listed && ok;
}

}  // namespace

bool CreatePrivateFolders(const std::string& folder, std::string* failure) {
  // Under the user's local application data the inherited access list
  // already keeps others out; only the missing levels are made.
  std::vector<std::string> missing;
  for (std::string level = folder;
       !level.empty() && Attributes(level) == INVALID_FILE_ATTRIBUTES;) {
    missing.push_back(level);
    const size_t slash = level.find_last_of("\\/");
    if (slash == std::string::npos || slash == 0 || level[slash - 1] == ':') break;
    level.resize(slash);
  }
  for (auto level = missing.rbegin(); level != missing.rend(); ++level) {
    if (!::CreateDirectoryW(Widen(*level).c_str(), nullptr) &&
        ::GetLastError() != ERROR_ALREADY_EXISTS) {
      if (failure != nullptr) *failure = "cannot create " + *level + ": " + LastError();
      return false;
    }
  }
  return true;
}

bool BelongsToOthers(const std::string& path) {
  // The local application data folder lies in the user's own profile, which
  // other users cannot write to. What is left to refuse is a link put in
  // place of the data folder or its lock, and a path that cannot be looked at.
  const DWORD attributes = Attributes(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = ::GetLastError();
    return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
  }
  return IsLink(attributes);
}

bool TidyDataFolder(const std::string& dataDir, std::vector<std::string>* failures) {
  std::vector<std::string> failed;
  const DWORD attributes = Attributes(dataDir);
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = ::GetLastError();
    // No folder yet is the first start, nothing to tidy.
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND)
      failed.push_back("cannot open " + dataDir + ": " + LastError());
  } else if (!IsFolder(attributes)) {
    failed.push_back(dataDir + " is not the user's own folder");
  } else {
    RemoveLeftovers(dataDir, false, 0, failed);
    const std::string app = AppFolderPath(dataDir);
    if (IsFolder(Attributes(app))) RemoveLeftovers(app, true, 1, failed);
  }
  if (failures != nullptr) failures->insert(failures->end(), failed.begin(), failed.end());
  return failed.empty();
}

bool CopyDirectory(const std::string& source, const std::string& target) {
  if (!IsFolder(Attributes(source))) return false;
  return CopyTree(source, target, 0);
}

}  // namespace zovaz
