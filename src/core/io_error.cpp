#include "core/io_error.h"

#include <cerrno>

namespace zovaz {

IoError::IoError(int code) : std::runtime_error(IoErrorText(code)), code_(code) {}

std::string IoErrorText(int code) {
  switch (code) {
    case kFileNotFound: return "File not found";
    case kInvalidFilename: return "Invalid filename";
    case kTooManyOpenFiles: return "Too many open files";
    case kFileAccessDenied: return "File access denied";
    case kReadBeyondEnd: return "Read beyond end of file";
    case kDiskFull: return "Disk full";
    case kInvalidNumericInput: return "Invalid numeric input";
    default: return "I/O error " + std::to_string(code);
  }
}

int IoCodeFromErrno(int err) {
  switch (err) {
    case ENOENT: return kFileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case EINVAL: return kInvalidFilename;
    case EMFILE:
    case ENFILE: return kTooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS: return kFileAccessDenied;
    case ENOSPC: return kDiskFull;
    default: return err;
  }
}

void ThrowIoErrorFromErrno(int err) { throw IoError(IoCodeFromErrno(err)); }

}  // namespace zovaz
