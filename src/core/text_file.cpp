#include "core/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "core/io_error.h"

namespace zovaz {

TextReader::TextReader(std::string bytes) : bytes_(std::move(bytes)) {
  const size_t eof = bytes_.find('\x1A');
  if (eof != std::string::npos) bytes_.resize(eof);
}

std::string TextReader::ReadLine() {
  if (AtEnd()) return {};
  size_t end = bytes_.find('\n', pos_);
  size_t next = end == std::string::npos ? bytes_.size() : end + 1;
  if (end == std::string::npos) end = bytes_.size();
  size_t valueEnd = end;
  if (end < bytes_.size() && valueEnd > pos_ && bytes_[valueEnd - 1] == '\r') --valueEnd;
  std::string line = bytes_.substr(pos_, valueEnd - pos_);
  pos_ = next;
  return line;
}

std::vector<std::string> SplitTextLines(std::string bytes) {
  TextReader reader(std::move(bytes));
  std::vector<std::string> lines;
  while (!reader.AtEnd()) lines.push_back(reader.ReadLine());
  return lines;
}

std::string JoinTextLines(const std::vector<std::string>& lines) {
  std::string out;
  for (const auto& line : lines) {
    out += line;
    out += "\r\n";
  }
  return out;
}

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

// Only this write makes names of this shape: a dot (hidden), the target's
// own name, the marker and mkostemp's six characters. The tidy at start-up
// removes exactly that shape, so no file of the customer's is ever taken
// for a leftover.
constexpr char kTemporaryMarker[] = ".zovaz-tmp-";
constexpr size_t kRandomLength = 6;

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

bool IsAtomicWriteLeftover(const std::string& fileName) {
  const size_t marker = sizeof kTemporaryMarker - 1;
  // The dot, a name of at least one character, the marker, the random part.
  if (fileName.size() < 2 + marker + kRandomLength || fileName[0] != '.') return false;
  const size_t random = fileName.size() - kRandomLength;
  if (fileName.compare(random - marker, marker, kTemporaryMarker) != 0) return false;
  for (size_t i = random; i < fileName.size(); ++i) {
    const char c = fileName[i];
    const bool alnum = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    if (!alnum) return false;
  }
  return true;
}

}  // namespace zovaz
