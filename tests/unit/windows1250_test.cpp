#include "core/windows1250.h"

#include <gtest/gtest.h>

#include <string>

namespace zovaz {
namespace {

TEST(FromWindows1250, ShowsStoredTextAndComesBackByteForByte) {
  EXPECT_EQ(FromWindows1250("Nov\xE1k"), "Novák");
  EXPECT_EQ(FromWindows1250("\x8elu\x9dou\xe8k\xfd k\xf9\xf2"), "Žluťoučký kůň");
  // Every byte the code page defines survives the way through the widget.
  for (int b = 1; b < 256; ++b) {
    const std::string byte(1, static_cast<char>(b));
    if (b == 0x81 || b == 0x83 || b == 0x88 || b == 0x90 || b == 0x98) {
      EXPECT_EQ(FromWindows1250(byte), "\uFFFD") << b;
      EXPECT_EQ(ToWindows1250(FromWindows1250(byte)), std::nullopt) << b;
    } else {
      EXPECT_EQ(ToWindows1250(FromWindows1250(byte)), byte) << b;
    }
  }
}

}  // namespace
}  // namespace zovaz
