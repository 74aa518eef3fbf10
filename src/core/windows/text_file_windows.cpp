// The Windows half of text_file.h: reading and atomically replacing files.
#include <windows.h>

#include <random>

#include "core/io_error.h"
#include "core/temporary_name.h"
#include "core/text_file.h"
#include "core/windows/wide.h"

namespace zovaz {

namespace {

class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  ~Handle() {
    if (valid()) ::CloseHandle(handle_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }
  bool Close() {
    const bool ok = ::CloseHandle(handle_) != 0;
    handle_ = INVALID_HANDLE_VALUE;
    return ok;
  }

 private:
  HANDLE handle_;
};

std::string RandomPart() {
  static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  static std::mt19937 generator{std::random_device{}() ^ ::GetCurrentProcessId()};
  std::uniform_int_distribution<size_t> pick(0, sizeof kAlphabet - 2);
  std::string out;
  for (size_t i = 0; i < kRandomLength; ++i) out += kAlphabet[pick(generator)];
  return out;
}

}  // namespace

std::string ReadFileBytes(const std::string& path) {
  Handle file(::CreateFileW(Widen(path).c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) ThrowIoErrorFromWin32(::GetLastError());
  // A pipe or a device put at the path is not a file.
  if (::GetFileType(file.get()) != FILE_TYPE_DISK) ThrowIoErrorFromWin32(ERROR_ACCESS_DENIED);
  std::string bytes;
  char buffer[16384];
  for (;;) {
    DWORD n = 0;
    if (!::ReadFile(file.get(), buffer, sizeof buffer, &n, nullptr))
      ThrowIoErrorFromWin32(::GetLastError());
    if (n == 0) break;
    bytes.append(buffer, n);
  }
  return bytes;
}

void WriteFileAtomically(const std::string& path, const std::string& bytes, mode_t, bool) {
  // The modes are POSIX ones: under the user's local application data the
  // inherited access list already keeps others out.
  const size_t slash = path.find_last_of("\\/");
  const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  const std::string stem =
      path.substr(0, nameStart) + "." + path.substr(nameStart) + kTemporaryMarker;
  std::wstring tmp;
  HANDLE created = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < 16 && created == INVALID_HANDLE_VALUE; ++attempt) {
    tmp = Widen(stem + RandomPart());
    created = ::CreateFileW(tmp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_HIDDEN, nullptr);
    if (created == INVALID_HANDLE_VALUE && ::GetLastError() != ERROR_FILE_EXISTS) break;
  }
  if (created == INVALID_HANDLE_VALUE) {
    DWORD error = ::GetLastError();
    // The folder is what failed, not the temporary name: report the target.
    if (error == ERROR_PATH_NOT_FOUND) error = ERROR_FILE_NOT_FOUND;
    ThrowIoErrorFromWin32(error);
  }
  Handle file(created);
  const auto fail = [&](DWORD error) {
    if (file.valid()) file.Close();
    ::DeleteFileW(tmp.c_str());
    ThrowIoErrorFromWin32(error);
  };
  size_t done = 0;
  while (done < bytes.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1 << 20));
    DWORD written = 0;
    if (!::WriteFile(file.get(), bytes.data() + done, chunk, &written, nullptr) || written == 0)
      fail(::GetLastError());
    done += written;
  }
  if (!::FlushFileBuffers(file.get())) fail(::GetLastError());
  if (!file.Close()) fail(::GetLastError());
  // The replaced file is hidden only while it is temporary.
  ::SetFileAttributesW(tmp.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (!::MoveFileExW(tmp.c_str(), Widen(path).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    fail(::GetLastError());
}

}  // namespace zovaz
