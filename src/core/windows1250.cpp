#include "core/windows1250.h"

#include <iconv.h>

#include <array>
#include <memory>

namespace zovaz {

namespace {

constexpr const char* kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// Each byte's character in UTF-8, "" where the code page has none.
const std::array<std::string, 256>& Characters() {
  static const std::array<std::string, 256> table = [] {
    std::array<std::string, 256> characters;
    iconv_t cd = iconv_open("UTF-8", "WINDOWS-1250");
    if (cd == reinterpret_cast<iconv_t>(-1)) return characters;
    for (int b = 0; b < 256; ++b) {
      char in = static_cast<char>(b);
      char out[8];
      char* inPtr = &in;
      char* outPtr = out;
      size_t inLeft = 1, outLeft = sizeof out;
      if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1) && inLeft == 0)
        characters[b].assign(out, outPtr);
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(cd);
    return characters;
  }();
  return table;
}

// The bytes as UTF-8, or nothing when one of them has no character.
std::optional<std::string> Decode(const std::string& bytes) {
  std::string utf8;
  for (unsigned char byte : bytes) {
    const std::string& character = Characters()[byte];
    if (character.empty()) return std::nullopt;
    utf8 += character;
  }
  return utf8;
}

}  // namespace

std::optional<std::string> ToWindows1250(const std::string& utf8) {
  // No //TRANSLIT or //IGNORE: a character without a Windows-1250 form must
  // fail the conversion, not turn into a look-alike or vanish.
  iconv_t cd = iconv_open("WINDOWS-1250", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::unique_ptr<void, int (*)(iconv_t)> guard(cd, iconv_close);
  std::string in = utf8;
  // Every character takes one byte in Windows-1250 and at least one in UTF-8.
  std::string out(in.size(), '\0');
  char* inPtr = in.data();
  size_t inLeft = in.size();
  char* outPtr = out.data();
  size_t outLeft = out.size();
  if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1) || inLeft != 0)
    return std::nullopt;
  out.resize(out.size() - outLeft);
  // glibc drops some characters (the tag characters from U+E0000) and still
  // reports success: only a text that comes back whole was converted.
  if (Decode(out) != utf8) return std::nullopt;
  return out;
}

std::string FromWindows1250(const std::string& bytes) {
  std::string utf8;
  for (unsigned char byte : bytes) {
    const std::string& character = Characters()[byte];
    utf8 += character.empty() ? kReplacement : character;
  }
  return utf8;
}

}  // namespace zovaz
