#include "core/text_file.h"

#include "core/temporary_name.h"

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
