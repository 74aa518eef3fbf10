// The password digest: a password converts to Windows-1250 exactly when
// every character has a Windows-1250 form, and converts back unchanged;
// the digest is 32 lower-case hex digits of those bytes.
#include <iconv.h>

#include <set>

#include "core/windows1250.h"
#include "crypto/password_digest.h"
#include "fuzz_support.h"

using namespace zovaz;
using zovaz::fuzz::Check;

namespace {

// The code points Windows-1250 can write, byte by byte through iconv's
// reverse direction, with the byte each one is written as.
const std::set<std::pair<uint32_t, uint8_t>>& Windows1250() {
  static const std::set<std::pair<uint32_t, uint8_t>> table = [] {
    std::set<std::pair<uint32_t, uint8_t>> points;
    iconv_t cd = iconv_open("UTF-32LE", "WINDOWS-1250");
    Check(cd != reinterpret_cast<iconv_t>(-1), "iconv knows Windows-1250");
    for (int b = 0; b < 256; ++b) {
      char in = static_cast<char>(b);
      uint32_t out = 0;
      char* inPtr = &in;
      char* outPtr = reinterpret_cast<char*>(&out);
      size_t inLeft = 1, outLeft = 4;
      if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1))
        points.insert({out, static_cast<uint8_t>(b)});
    }
    iconv_close(cd);
    return points;
  }();
  return table;
}

// The code points of strict UTF-8 (no overlong forms, surrogates or values
// past U+10FFFF); false when the bytes are not that.
bool DecodeUtf8(const std::string& text, std::vector<uint32_t>* points) {
  for (size_t i = 0; i < text.size();) {
    const auto byte = [&](size_t at) { return static_cast<uint8_t>(text[at]); };
    const uint8_t lead = byte(i);
    size_t length = lead < 0x80                   ? 1
                    : lead >= 0xC2 && lead < 0xE0 ? 2
                    : lead >= 0xE0 && lead < 0xF0 ? 3
                    : lead >= 0xF0 && lead < 0xF5 ? 4
                                                  : 0;
    if (length == 0 || i + length > text.size()) return false;
    uint32_t point = length == 1 ? lead : lead & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) {
      if ((byte(i + k) & 0xC0) != 0x80) return false;
      point = point << 6 | (byte(i + k) & 0x3F);
    }
    const uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (point < least[length] || point > 0x10FFFF || (point >= 0xD800 && point < 0xE000))
      return false;
    points->push_back(point);
    i += length;
  }
  return true;
}

bool IsDigest(const std::string& digest) {
  if (digest.size() != 32) return false;
  for (char c : digest)
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string typed(reinterpret_cast<const char*>(data), size);
  std::vector<uint32_t> points;
  std::string expected;
  bool writable = DecodeUtf8(typed, &points);
  for (uint32_t point : points) {
    const auto it = Windows1250().lower_bound({point, 0});
    if (it == Windows1250().end() || it->first != point) {
      writable = false;
      break;
    }
    expected += static_cast<char>(it->second);
  }

  const std::optional<std::string> converted = ToWindows1250(typed);
  Check(converted.has_value() == writable, "converts exactly when every character can be written");
  if (converted) Check(*converted == expected, "each character becomes its Windows-1250 byte");

  const std::string digest = PasswordDigest(typed);
  Check(IsDigest(digest), "the digest is 32 lower-case hex digits");
  Check(PasswordDigest(typed) == digest, "the digest is the same every time");
  const std::optional<std::string> typedDigest = DigestOfTypedPassword(typed);
  Check(typedDigest.has_value() == writable,
        "a typed password has a digest when it can be written");
  if (typedDigest)
    Check(*typedDigest == PasswordDigest(*converted), "the digest is of the Windows-1250 bytes");
  return 0;
}
