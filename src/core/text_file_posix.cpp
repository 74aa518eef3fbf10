// The POSIX half of text_file.h: reading and atomically replacing files.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "core/io_error.h"
#include "core/temporary_name.h"
#include "core/text_file.h"

namespace zovaz {

std::string ReadFileBytes(const std::string& path) {
  // Without O_NONBLOCK a FIFO put at the path would hold the client until
  // someone writes to it; with it, it would read as empty. Neither is a file.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) ThrowIoErrorFromErrno(errno);
  struct stat status {};
  if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
    ::close(fd);
    ThrowIoErrorFromErrno(EACCES);
  }
  std::string bytes;
  char buffer[16384];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      ::close(fd);
      ThrowIoErrorFromErrno(err);
    }
    bytes.append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  return bytes;
}

namespace {

bool WriteAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

void WriteFileAtomically(const std::string& path, const std::string& bytes, mode_t mode,
                         bool forceMode) {
  struct stat existing {};
  const bool exists = ::stat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode);
  const mode_t finalMode = exists && !forceMode ? (existing.st_mode & 07777) : mode;

  const size_t slash = path.rfind('/');
  const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  std::string tmp = path.substr(0, nameStart) + "." + path.substr(nameStart) + kTemporaryMarker +
                    std::string(kRandomLength, 'X');
  const int fd = ::mkostemp(tmp.data(), O_CLOEXEC);
  if (fd < 0) {
    // The folder is what failed, not the temporary name: report the target.
    const int err = errno;
    ThrowIoErrorFromErrno(::access(FolderOf(path).c_str(), F_OK) != 0 ? ENOENT : err);
  }
  const auto fail = [&](int err) {
    ::close(fd);
    ::unlink(tmp.c_str());
    ThrowIoErrorFromErrno(err);
  };
  // mkostemp creates 0600; widen only to what the file should have.
  if (::fchmod(fd, finalMode) != 0) fail(errno);
  if (!WriteAll(fd, bytes)) fail(errno);
  if (::fsync(fd) != 0) fail(errno);
  if (::close(fd) != 0) {
    const int err = errno;
    ::unlink(tmp.c_str());
    ThrowIoErrorFromErrno(err);
  }
  if (::rename(tmp.c_str(), path.c_str()) != 0) {
    const int err = errno;
    ::unlink(tmp.c_str());
    ThrowIoErrorFromErrno(err);
  }
}

}  // namespace zovaz
