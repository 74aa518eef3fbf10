#include "core/access_keys.h"

#include <optional>
#include <set>

namespace zovaz {

namespace {

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Byte offset of the letter to mark, if a free one is left.
std::optional<size_t> ChooseKey(const std::string& caption, const std::set<char>& taken) {
  for (const bool wordStartsOnly : {true, false}) {
    for (size_t i = 0; i < caption.size(); ++i) {
      const char c = caption[i];
      if (!IsAsciiLetter(c) || taken.count(Lower(c)) != 0) continue;
      // Bytes of a multi-byte character never count as a word's end.
      const bool wordStart = i == 0 || caption[i - 1] == ' ';
      if (wordStart || !wordStartsOnly) return i;
    }
  }
  return std::nullopt;
}

}  // namespace

std::vector<std::string> WithAccessKeys(const std::vector<std::string>& captions) {
  std::vector<std::string> marked;
  std::set<char> taken;
  for (const std::string& caption : captions) {
    const std::optional<size_t> key = ChooseKey(caption, taken);
    if (key) taken.insert(Lower(caption[*key]));
    std::string text;
    for (size_t i = 0; i < caption.size(); ++i) {
      if (key && i == *key) text += '&';
      if (caption[i] == '&') text += '&';
      text += caption[i];
    }
    marked.push_back(text);
  }
  return marked;
}

}  // namespace zovaz
