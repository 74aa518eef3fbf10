// Temporary folders, plain file access and environment variables for
// setting up and checking fixtures; shared by every test binary.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

namespace zovaz::testing {

// A fresh folder, removed with everything in it at the end of the test.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& relative) const { return path_ + "/" + relative; }

 private:
  std::string path_;
};

// Plain, non-atomic: fixtures are not the client's files. Throws when the
// file cannot be written, so a broken fixture fails loudly.
void WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);

bool Exists(const std::string& path);    // a dangling link counts
mode_t ModeOf(const std::string& path);  // permission bits only; 0 when missing
// Names in a folder, sorted; catches stray temporary files.
std::vector<std::string> ListFolder(const std::string& path);
using Names = std::vector<std::string>;

// Sets (or, with null, removes) an environment variable until the end of
// the scope, then puts back what was there.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  std::optional<std::string> old_;
};

// File permissions hold for this thread until the end of the scope, even
// as root: the capabilities that let root read and write past them are
// dropped from its effective set (and put back after). Without them a
// mode-000 file is as unreadable to the tests as to a customer. Threads
// started meanwhile inherit it.
class ScopedFilePermissionsHold {
 public:
  ScopedFilePermissionsHold();
  ~ScopedFilePermissionsHold();
  ScopedFilePermissionsHold(const ScopedFilePermissionsHold&) = delete;
  ScopedFilePermissionsHold& operator=(const ScopedFilePermissionsHold&) = delete;

 private:
  unsigned saved_[2] = {0, 0};
  bool dropped_ = false;
};

}  // namespace zovaz::testing
