#include "core/text_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <functional>

#include "common/test_files.h"
#include "common/test_servers.h"
#include "core/io_error.h"

using namespace zovaz;
using namespace zovaz::testing;
using Lines = std::vector<std::string>;

namespace {

// Lowers a resource limit for one scope, so that a system call fails the
// way a full disk or an exhausted process would make it fail.
class ScopedLimit {
 public:
  ScopedLimit(int resource, rlim_t soft) : resource_(resource) {
    getrlimit(resource_, &saved_);
    rlimit lowered = saved_;
    lowered.rlim_cur = soft;
    setrlimit(resource_, &lowered);
  }
  ~ScopedLimit() { setrlimit(resource_, &saved_); }

 private:
  int resource_;
  rlimit saved_{};
};

// The lowest free descriptor number: a limit at it makes the next open fail.
rlim_t LowestFreeDescriptor() {
  const int probe = dup(0);
  close(probe);
  return static_cast<rlim_t>(probe);
}

int CodeOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const IoError& e) {
    return e.code();
  }
  return 0;
}

}  // namespace

TEST(TextReader, LinesEndAtLfOrCrLfAndTheBreakIsNotPartOfTheValue) {
  EXPECT_EQ(SplitTextLines("one\r\ntwo\nthree"), (Lines{"one", "two", "three"}));
  EXPECT_EQ(SplitTextLines("one\r\n"), (Lines{"one"}));
  EXPECT_EQ(SplitTextLines("one\n\n"), (Lines{"one", ""}));
  EXPECT_EQ(SplitTextLines("\r\n\r\n"), (Lines{"", ""}));
  // A CR without LF is data, and so is a CR before "CR LF".
  EXPECT_EQ(SplitTextLines("a\rb\r\r\n"), (Lines{"a\rb\r"}));
  EXPECT_EQ(SplitTextLines("a\r\nlast\r"), (Lines{"a", "last\r"}));
  EXPECT_TRUE(SplitTextLines("").empty());
}

TEST(TextReader, ByteOneAEndsTheText) {
  EXPECT_EQ(SplitTextLines("one\ntw\x1Ao\nthree\n"), (Lines{"one", "tw"}));
  EXPECT_TRUE(SplitTextLines(std::string("\x1A"
                                         "after",
                                         6))
                  .empty());
}

TEST(TextReader, ReadingPastTheEndYieldsEmptyStrings) {
  TextReader reader("only\r\n");
  EXPECT_EQ(reader.ReadLine(), "only");
  EXPECT_TRUE(reader.AtEnd());
  EXPECT_EQ(reader.ReadLine(), "");
  EXPECT_EQ(reader.ReadLine(), "");
}

TEST(TextReader, KeepsEveryOtherByteUnchanged) {
  const std::string line("P\xF8ipojit \xE8\x9A\x00\xFF", 13);  // NUL and high bytes
  EXPECT_EQ(SplitTextLines(line + "\r\nx"), (Lines{line, "x"}));
}

TEST(TextWriter, EveryLineEndsInCrLfTheLastIncluded) {
  EXPECT_EQ(JoinTextLines({"a", "", "b"}), "a\r\n\r\nb\r\n");
  EXPECT_EQ(JoinTextLines({}), "");
}

TEST(ReadFileBytes, ReadsTheWholeFileAndReportsMissingOnes) {
  TempDir dir;
  std::string big(100000, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7);
  WriteFile(dir / "big", big);
  EXPECT_EQ(ReadFileBytes(dir / "big"), big);

  try {
    ReadFileBytes(dir / "missing");
    FAIL() << "no exception";
  } catch (const IoError& e) {
    EXPECT_EQ(e.code(), 2);
    EXPECT_STREQ(e.what(), "File not found");
  }
  // A path through a plain file, and an over-long name, are invalid names.
  EXPECT_EQ(CodeOf([&] { ReadFileBytes(dir / "big/child"); }), kInvalidFilename);
  EXPECT_EQ(CodeOf([&] { ReadFileBytes(dir / std::string(300, 'n')); }), kInvalidFilename);
}

TEST(WriteFileAtomically, CreatesAndReplacesWithExactBytes) {
  TempDir dir;
  const std::string path = dir / "page.html";
  WriteFileAtomically(path, "first, and longer than the second\r\n");
  EXPECT_EQ(ModeOf(path), 0644u);
  WriteFileAtomically(path, std::string("2\0\x1A\r\n", 5));
  EXPECT_EQ(ReadFile(path), std::string("2\0\x1A\r\n", 5));
  WriteFileAtomically(path, "");
  EXPECT_EQ(ReadFile(path), "");
  EXPECT_EQ(ListFolder(dir.path()), Lines{"page.html"});
}

TEST(WriteFileAtomically, KeepsTheModeOfAnExistingFileUnlessForced) {
  TempDir dir;
  const std::string path = dir / "file";
  WriteFile(path, "old");
  chmod(path.c_str(), 0640);
  WriteFileAtomically(path, "new");
  EXPECT_EQ(ModeOf(path), 0640u);
  WriteFileAtomically(path, "secret", 0600, true);
  EXPECT_EQ(ModeOf(path), 0600u);
  WriteFileAtomically(dir / "fresh", "secret", 0600);
  EXPECT_EQ(ModeOf(dir / "fresh"), 0600u);
}

TEST(WriteFileAtomically, MissingFolderIsFileNotFoundAndCreatesNothing) {
  TempDir dir;
  try {
    WriteFileAtomically(dir / "absent/file", "x");
    FAIL() << "no exception";
  } catch (const IoError& e) {
    EXPECT_EQ(e.code(), kFileNotFound);
    EXPECT_STREQ(e.what(), "File not found");
  }
  EXPECT_TRUE(ListFolder(dir.path()).empty());
}

TEST(WriteFileAtomically, FailureLeavesThePreviousFileWholeAndNoTemporaryFile) {
  TempDir dir;
  const std::string path = dir / "app.cfg";
  WriteFile(path, "previous content\r\n");

  // The file size limit makes a write fail half-way, as a full disk would.
  const std::string large(64 * 1024, 'x');
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  int code = 0;
  {
    ScopedLimit limit(RLIMIT_FSIZE, 4096);
    code = CodeOf([&] { WriteFileAtomically(path, large); });
  }
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(code, EFBIG);
  EXPECT_EQ(ReadFile(path), "previous content\r\n");
  EXPECT_EQ(ListFolder(dir.path()), Lines{"app.cfg"});

  // A folder in the target's place cannot be replaced by a file.
  std::filesystem::create_directory(dir / "sub");
  EXPECT_NE(CodeOf([&] { WriteFileAtomically(dir / "sub", "x"); }), 0);
  EXPECT_TRUE(std::filesystem::is_directory(dir / "sub"));
  EXPECT_EQ(ListFolder(dir.path()), (Lines{"app.cfg", "sub"}));
}

TEST(FileErrors, ExhaustedDescriptorsAreTooManyOpenFiles) {
  TempDir dir;
  WriteFile(dir / "file", "x");
  int readCode = 0, writeCode = 0;
  {
    ScopedLimit limit(RLIMIT_NOFILE, LowestFreeDescriptor());
    readCode = CodeOf([&] { ReadFileBytes(dir / "file"); });
    writeCode = CodeOf([&] { WriteFileAtomically(dir / "file", "y"); });
  }
  EXPECT_EQ(readCode, kTooManyOpenFiles);
  EXPECT_EQ(writeCode, kTooManyOpenFiles);
  EXPECT_EQ(ReadFile(dir / "file"), "x");
}
