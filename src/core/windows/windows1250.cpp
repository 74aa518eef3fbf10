// Windows-1250 through Windows' own code page tables.
#include "core/windows1250.h"

#include <windows.h>

#include <array>

namespace zovaz {

namespace {

constexpr UINT kCodePage = 1250;
constexpr const char* kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// The five bytes the code page leaves undefined; Windows passes them through
// as C1 controls, which the client, as on every system, does not accept.
bool Undefined(unsigned char byte) {
  return byte == 0x81 || byte == 0x83 || byte == 0x88 || byte == 0x90 || byte == 0x98;
}

std::wstring Utf16(const std::string& text, UINT codePage) {
  if (text.empty()) return {};
  const int size = ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(),
                                         static_cast<int>(text.size()), nullptr, 0);
  if (size <= 0) return {};
  std::wstring out(static_cast<size_t>(size), L'\0');
  ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                        out.data(), size);
  return out;
}

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(size > 0 ? size : 0), '\0');
  if (size > 0)
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                          nullptr, nullptr);
  return out;
}

}  // namespace

std::optional<std::string> ToWindows1250(const std::string& utf8) {
  if (utf8.empty()) return std::string();
  const std::wstring wide = Utf16(utf8, CP_UTF8);
  if (wide.empty()) return std::nullopt;  // not valid UTF-8
  BOOL usedDefault = FALSE;
  // No best fit: a character without a Windows-1250 form must fail the
  // conversion, not turn into a look-alike.
  const int size =
      ::WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, wide.data(),
                            static_cast<int>(wide.size()), nullptr, 0, nullptr, &usedDefault);
  if (size <= 0 || usedDefault) return std::nullopt;
  std::string out(static_cast<size_t>(size), '\0');
  ::WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()),
                        out.data(), size, nullptr, &usedDefault);
  if (usedDefault) return std::nullopt;
  for (unsigned char byte : out)
    if (Undefined(byte)) return std::nullopt;
  // Only a text that comes back whole was converted.
  if (Utf16(out, kCodePage) != wide) return std::nullopt;
  return out;
}

std::string FromWindows1250(const std::string& bytes) {
  static const std::array<std::string, 256> table = [] {
    std::array<std::string, 256> characters;
    for (int b = 0; b < 256; ++b) {
      const std::string byte(1, static_cast<char>(b));
      if (!Undefined(static_cast<unsigned char>(b))) characters[b] = Utf8(Utf16(byte, kCodePage));
    }
    return characters;
  }();
  std::string utf8;
  for (unsigned char byte : bytes) {
    const std::string& character = table[byte];
    utf8 += character.empty() ? kReplacement : character;
  }
  return utf8;
}

}  // namespace zovaz
