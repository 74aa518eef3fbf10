#include "core/io_error.h"

#include <cerrno>

namespace zovaz {

IoError::IoError(int code) : std::runtime_error(IoErrorText(code)), code_(code) {}

IoError::IoError(int code, const std::string& text) : std::runtime_error(text), code_(code) {}

std::string IoErrorText(int code) {
  switch (code) {
    case kFileNotFound:
      return "File not found";
    case kInvalidFilename:
      return "Invalid filename";
    case kTooManyOpenFiles:
      return "Too many open files";
    case kFileAccessDenied:
      return "File access denied";
    case kReadBeyondEnd:
      return "Read beyond end of file";
    case kDiskFull:
      return "Disk full";
    case kInvalidNumericInput:
      return "Invalid numeric input";
    default:
      return "I/O error " + std::to_string(code);
  }
}

namespace {

// 0 when the value has no listed meaning.
int ListedCodeFromErrno(int err) {
  switch (err) {
    case ENOENT:
      return kFileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case EINVAL:
      return kInvalidFilename;
    case EMFILE:
    case ENFILE:
      return kTooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:  // a folder stands where the file should be
      return kFileAccessDenied;
    case ENOSPC:
#ifdef EDQUOT     // not in every C library
    case EDQUOT:  // the user's share of the disk is used up
#endif
      return kDiskFull;
    default:
      return 0;
  }
}

}  // namespace

int IoCodeFromErrno(int err) {
  const int listed = ListedCodeFromErrno(err);
  return listed != 0 ? listed : err;
}

void ThrowIoErrorFromErrno(int err) {
  const int listed = ListedCodeFromErrno(err);
  if (listed != 0) throw IoError(listed);
  // Not IoError(err): EIO is 5 and EINTR 4, and they must not borrow the
  // texts of those listed codes.
  throw IoError(err, "I/O error " + std::to_string(err));
}

}  // namespace zovaz
