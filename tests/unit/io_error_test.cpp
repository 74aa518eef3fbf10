#include "core/io_error.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>

#include "common/test_files.h"
#include "core/text_file.h"

using namespace zovaz;
using zovaz::testing::TempDir;
using zovaz::testing::WriteFile;

namespace {

IoError Thrown(int err) {
  try {
    ThrowIoErrorFromErrno(err);
  } catch (const IoError& e) {
    return e;
  }
  return IoError(0);
}

}  // namespace

TEST(IoError, AFailingFileOperationReportsTheListedText) {
  // What the customer reads when a real file operation fails.
  TempDir dir;
  WriteFile(dir / "file", "x");
  struct Case {
    std::function<void()> operation;
    int code;
    const char* text;
  };
  for (const Case& c : {
           Case{[&] { ReadFileBytes(dir / "missing"); }, 2, "File not found"},
           Case{[&] { WriteFileAtomically(dir / "file/below", "x"); }, 3, "Invalid filename"},
           Case{[&] { ReadFileBytes(dir.path()); }, 5, "File access denied"},
       }) {
    try {
      c.operation();
      ADD_FAILURE() << c.text << ": no IoError";
    } catch (const IoError& e) {
      EXPECT_EQ(e.code(), c.code);
      EXPECT_STREQ(e.what(), c.text);
    }
  }
  EXPECT_EQ(IoErrorText(103), "I/O error 103");
}

TEST(IoError, ErrnoValuesMapToTheListedCodes) {
  struct Case {
    int err;
    int code;
    const char* text;
  };
  for (const Case& c :
       {Case{ENOENT, 2, "File not found"}, Case{ENOTDIR, 3, "Invalid filename"},
        Case{ENAMETOOLONG, 3, "Invalid filename"}, Case{EINVAL, 3, "Invalid filename"},
        Case{EMFILE, 4, "Too many open files"}, Case{ENFILE, 4, "Too many open files"},
        Case{EACCES, 5, "File access denied"}, Case{EPERM, 5, "File access denied"},
        Case{EROFS, 5, "File access denied"}, Case{EISDIR, 5, "File access denied"},
        Case{ENOSPC, 101, "Disk full"}, Case{EDQUOT, 101, "Disk full"}}) {
    SCOPED_TRACE(c.err);
    EXPECT_EQ(IoCodeFromErrno(c.err), c.code);
    const IoError e = Thrown(c.err);
    EXPECT_EQ(e.code(), c.code);
    EXPECT_STREQ(e.what(), c.text);
  }
}

TEST(IoError, UnlistedErrnoValuesNeverBorrowAListedText) {
  // EIO (5) and EINTR (4) share numbers with listed codes, and errno 100,
  // 101 and 106 too; a failing disk must not read as "File access denied".
  for (int err : {EIO, EINTR, ENETDOWN, ENETUNREACH, EISCONN, EFBIG}) {
    SCOPED_TRACE(err);
    const IoError e = Thrown(err);
    EXPECT_EQ(e.code(), err);
    EXPECT_EQ(std::string(e.what()), "I/O error " + std::to_string(err));
  }
}
