// What the fuzz targets share: a failed property aborts with its reason, so
// libFuzzer keeps the input; inputs carry several fields split at NUL bytes.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace zovaz::fuzz {

inline void Check(bool holds, const char* property) {
  if (holds) return;
  std::fprintf(stderr, "property broken: %s\n", property);
  std::abort();
}

// The first `count` NUL-separated fields of the input; missing ones empty.
inline std::vector<std::string> Fields(const uint8_t* data, size_t size, size_t count) {
  std::vector<std::string> fields(count);
  size_t field = 0;
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0 && field + 1 < count) {
      ++field;
    } else {
      fields[field] += static_cast<char>(data[i]);
    }
  }
  return fields;
}

// A private folder for the process's files, removed when it exits; never
// under the user's home.
inline const std::string& ScratchDir() {
  static const std::string dir = [] {
    char pattern[] = "/tmp/zovaz-fuzz-XXXXXX";
    const char* made = ::mkdtemp(pattern);
    Check(made != nullptr, "a scratch folder can be made");
    static std::string path = made;
    std::atexit([] { std::system(("rm -rf '" + path + "'").c_str()); });
    return path;
  }();
  return dir;
}

inline std::string LowerAscii(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

// The lines of a text by the line rules, written here apart from the
// client's reader: up to 0x1A, split at LF, one CR before each LF dropped.
inline std::vector<std::string> ModelLines(const std::string& bytes) {
  const std::string text = bytes.substr(0, bytes.find('\x1A'));
  std::vector<std::string> lines;
  for (size_t pos = 0; pos < text.size();) {
    const size_t lf = text.find('\n', pos);
    if (lf == std::string::npos) {
      lines.push_back(text.substr(pos));
      break;
    }
    std::string line = text.substr(pos, lf - pos);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    pos = lf + 1;
  }
  return lines;
}

// Whether `script` from `start` (just after an opening single quote) is one
// JavaScript string that closes exactly at `end` (the closing quote's index).
inline bool OneScriptString(const std::string& script, size_t start, size_t end) {
  for (size_t i = start; i < script.size(); ++i) {
    const char c = script[i];
    if (c == '\\') {
      ++i;
    } else if (c == '\'') {
      return i == end;
    } else if (c == '\n' || c == '\r') {
      return false;
    }
  }
  return false;
}

}  // namespace zovaz::fuzz
