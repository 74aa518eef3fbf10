// Temporary folders and plain file access for setting up and checking
// fixtures; shared by every test binary.
#pragma once

#include <string>

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

}  // namespace zovaz::testing
