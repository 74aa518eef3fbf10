// Text and byte files: the line rules of the client's text files, and
// atomic replacement of everything the client writes.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace zovaz {

// Reads lines from text bytes: a line ends at LF or CR LF, the break is not
// part of the value, a 0x1A byte ends the text, past the end lines are empty.
class TextReader {
 public:
  explicit TextReader(std::string bytes);
  bool AtEnd() const { return pos_ >= bytes_.size(); }
  std::string ReadLine();

 private:
  std::string bytes_;
  size_t pos_ = 0;
};

// Every line of the text, by the reader's rules.
std::vector<std::string> SplitTextLines(std::string bytes);

// Lines joined with CR LF after each one, the last included.
std::string JoinTextLines(const std::vector<std::string>& lines);

// The whole file; throws IoError when it cannot be opened or read, or is
// not a regular file.
std::string ReadFileBytes(const std::string& path);

// Replaces `path` with `bytes` through a temporary file in the same folder
// and a rename, so a failure leaves the previous file whole. A new file gets
// `mode`; an existing one keeps its permissions unless `forceMode` is set.
// Throws IoError on failure and leaves no temporary file behind.
void WriteFileAtomically(const std::string& path, const std::string& bytes, mode_t mode = 0644,
                         bool forceMode = false);

// True for a file name that WriteFileAtomically's temporary files have:
// ".<name>.zovaz-tmp-" and six letters or digits. A crash or power cut
// between the creation and the rename leaves such a file behind.
bool IsAtomicWriteLeftover(const std::string& fileName);

}  // namespace zovaz
