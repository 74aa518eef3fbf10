// File errors as the user sees them: a numeric code and its fixed text.
#pragma once

#include <stdexcept>
#include <string>

namespace zovaz {

// Codes the client reports; anything else is shown as "I/O error <code>".
enum IoCode : int {
  kFileNotFound = 2,
  kInvalidFilename = 3,
  kTooManyOpenFiles = 4,
  kFileAccessDenied = 5,
  kReadBeyondEnd = 100,
  kDiskFull = 101,
  kInvalidNumericInput = 106,
};

class IoError : public std::runtime_error {
 public:
  explicit IoError(int code);
  IoError(int code, const std::string& text);
  // For a failure without a listed code this is the errno value, which may
  // equal a listed code: the text, not the number, is what tells them apart.
  int code() const { return code_; }

 private:
  int code_;
};

// "File not found", "Disk full", ... or "I/O error <code>".
std::string IoErrorText(int code);

// The nearest listed code for a POSIX errno value; unlisted values pass through.
int IoCodeFromErrno(int err);

// Throws IoError for the given errno value: the listed text when the value
// has a listed meaning, else "I/O error <errno>" (so EIO, 5, never reads as
// "File access denied").
[[noreturn]] void ThrowIoErrorFromErrno(int err);

}  // namespace zovaz
