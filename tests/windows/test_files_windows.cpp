// The shared fixture helpers of tests/common/test_files.h, for Windows.
// Paths are UTF-8, as the client's own are.
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "common/test_files.h"

namespace fs = std::filesystem;

namespace zovaz::testing {

namespace {

fs::path PathOf(const std::string& utf8) {
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8Of(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

}  // namespace

TempDir::TempDir() {
  const fs::path base = fs::temp_directory_path();
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    const fs::path candidate = base / ("zovaz-test-" + std::to_string(GetCurrentProcessId()) + "-" +
                                       std::to_string(GetTickCount64() + attempt));
    if (CreateDirectoryW(candidate.c_str(), nullptr)) {
      // Backslashes throughout: the adapters under test build on them.
      path_ = Utf8Of(candidate.lexically_normal().make_preferred());
      return;
    }
  }
  throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(PathOf(path_), ec);
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(PathOf(path), std::ios::binary | std::ios::trunc);
  if (!out) throw std::runtime_error("cannot write fixture " + path);
  out << bytes;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(PathOf(path), std::ios::binary);
  std::stringstream buffer;
  buffer << in.rdbuf();
  return buffer.str();
}

bool Exists(const std::string& path) {
  std::error_code ec;
  return fs::exists(fs::symlink_status(PathOf(path), ec));
}

// Windows has no permission bits; a read-only file is the nearest thing.
mode_t ModeOf(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(PathOf(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return 0;
  return (attributes & FILE_ATTRIBUTE_READONLY) ? 0400 : 0600;
}

std::vector<std::string> ListFolder(const std::string& path) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(PathOf(path), ec))
    names.push_back(Utf8Of(entry.path().filename()));
  std::sort(names.begin(), names.end());
  return names;
}

ScopedEnv::ScopedEnv(const char* name, const char* value) : name_(name) {
  if (const char* old = std::getenv(name)) old_ = old;
  // _putenv_s also sets the process environment, which started programs inherit.
  _putenv_s(name, value != nullptr ? value : "");
}

ScopedEnv::~ScopedEnv() { _putenv_s(name_.c_str(), old_ ? old_->c_str() : ""); }

// Nothing to drop: the suite does not run with rights past file permissions.
ScopedFilePermissionsHold::ScopedFilePermissionsHold() = default;
ScopedFilePermissionsHold::~ScopedFilePermissionsHold() = default;

}  // namespace zovaz::testing
