#include "crypto/password_digest.h"

#include <gtest/gtest.h>

#include <string>

#include "core/windows1250.h"

namespace zovaz {
namespace {

// The test suite of RFC 1321, appendix A.5.
TEST(PasswordDigest, MatchesTheRfc1321TestSuite) {
  EXPECT_EQ(PasswordDigest(""), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(PasswordDigest("a"), "0cc175b9c0f1b6a831c399e269772661");
  EXPECT_EQ(PasswordDigest("abc"), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(PasswordDigest("message digest"), "f96b697d7cb7938d525a2f31aaf161d0");
  EXPECT_EQ(PasswordDigest("abcdefghijklmnopqrstuvwxyz"), "c3fcd3d76192e4007dfb496cca67e13b");
  EXPECT_EQ(PasswordDigest("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"),
            "d174ab98d277d9f5a5611c2c9f419d9f");
  EXPECT_EQ(PasswordDigest(
                std::string("1234567890123456789012345678901234567890123456789012345678901234567890"
                            "1234567890")),
            "57edf4a22be3c955ac49da2e2107b67a");
}

// Lengths around the point where the bit count no longer fits in the last
// block and a second padding block is needed.
TEST(PasswordDigest, HandlesThePaddingBoundaries) {
  EXPECT_EQ(PasswordDigest(std::string(55, 'a')), "ef1772b6dff9a122358552954ad0df65");
  EXPECT_EQ(PasswordDigest(std::string(56, 'a')), "3b0c8ac703f828b04c6c197006d17218");
  EXPECT_EQ(PasswordDigest(std::string(63, 'a')), "b06521f39153d618550606be297466d5");
  EXPECT_EQ(PasswordDigest(std::string(64, 'a')), "014842d480b571495a4a0363793f7367");
  EXPECT_EQ(PasswordDigest(std::string(65, 'a')), "c743a45e0d2e6a95cb859adae0248435");
}

TEST(PasswordDigest, DigestsEveryByteIncludingNulAndHighBytes) {
  // Computed independently over the bytes 00 FF 80 7F.
  EXPECT_EQ(PasswordDigest(std::string("\x00\xff\x80\x7f", 4)), "35913419231430075897c28e5e159b65");
}

TEST(TypedPassword, IsDigestedOverItsWindows1250Bytes) {
  const std::string typed = "Žluťoučký kůň 123";  // as the widget delivers it, UTF-8
  const std::string cp1250 = "\x8elu\x9dou\xe8k\xfd k\xf9\xf2 123";
  EXPECT_EQ(ToWindows1250(typed), cp1250);
  EXPECT_EQ(DigestOfTypedPassword(typed), "71ed7c5c4b48e13d1ebf335e7be6b3ee");
  // Not the digest of the UTF-8 bytes.
  EXPECT_NE(DigestOfTypedPassword(typed), PasswordDigest(typed));
}

TEST(TypedPassword, PlainAsciiIsUnchanged) {
  EXPECT_EQ(DigestOfTypedPassword("heslo123"), "6a284155906c26cbca20c53376bc63ac");
  EXPECT_EQ(DigestOfTypedPassword(""), "d41d8cd98f00b204e9800998ecf8427e");
}

TEST(TypedPassword, KeepsCharactersThatWindows1250Has) {
  EXPECT_EQ(ToWindows1250("€łß–"), "\x80\xb3\xdf\x96");
}

TEST(TypedPassword, RefusesCharactersOutsideWindows1250) {
  // A substitute "?" would give "heslo?" and these the same digest.
  EXPECT_EQ(DigestOfTypedPassword("heslo\u03a9"), std::nullopt);  // Greek Omega
  EXPECT_EQ(DigestOfTypedPassword("\u65e5"), std::nullopt);       // CJK
  EXPECT_EQ(ToWindows1250("a\U0001F600b"), std::nullopt);         // outside the BMP
  // Tag characters, which iconv drops while it reports success.
  EXPECT_EQ(DigestOfTypedPassword("heslo\U000E0000"), std::nullopt);
  EXPECT_EQ(ToWindows1250("\U000E0041\U000E007F"), std::nullopt);
}

TEST(TypedPassword, RefusesBrokenUtf8) {
  EXPECT_EQ(ToWindows1250("abc\xc3"), std::nullopt);  // cut in the middle of a character
  EXPECT_EQ(ToWindows1250("\xff"), std::nullopt);
}

}  // namespace
}  // namespace zovaz
